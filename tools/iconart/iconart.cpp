// Draws the three programs' icons and writes them as .ico files with a
// 48 x 48 and a 32 x 32 image each, 32 bits per pixel with alpha.
// Usage: iconart <repository root>
//
// Shapes are signed distance functions in a 0..1 square; each pixel takes
// 8 x 8 samples, so edges are anti-aliased at both sizes from one drawing.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Colour {
    float r, g, b, a;
};

constexpr Colour Rgb(int r, int g, int b, float a = 1.0f) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}

using Distance = std::function<float(float x, float y)>;

// Premultiplied RGBA, composited layer by layer with "over".
class Canvas {
public:
    explicit Canvas(int size) : size_(size), pixels_(size * size, Colour{0, 0, 0, 0}) {}

    // Fills the inside of the shape (distance <= 0).
    void Fill(const Distance& shape, Colour colour) {
        constexpr int kSamples = 8;
        for (int py = 0; py < size_; ++py) {
            for (int px = 0; px < size_; ++px) {
                int inside = 0;
                for (int sy = 0; sy < kSamples; ++sy) {
                    for (int sx = 0; sx < kSamples; ++sx) {
                        float x = (px + (sx + 0.5f) / kSamples) / size_;
                        float y = (py + (sy + 0.5f) / kSamples) / size_;
                        if (shape(x, y) <= 0) ++inside;
                    }
                }
                Blend(px, py, colour, float(inside) / (kSamples * kSamples));
            }
        }
    }

    // A soft shadow: coverage falls off over `softness` outside the shape.
    void Shadow(const Distance& shape, Colour colour, float softness) {
        for (int py = 0; py < size_; ++py) {
            for (int px = 0; px < size_; ++px) {
                float d = shape((px + 0.5f) / size_, (py + 0.5f) / size_);
                float coverage = std::clamp(0.5f - d / softness, 0.0f, 1.0f);
                Blend(px, py, colour, coverage * coverage);
            }
        }
    }

    int Size() const { return size_; }
    const Colour& At(int x, int y) const { return pixels_[y * size_ + x]; }

private:
    void Blend(int x, int y, Colour c, float coverage) {
        float a = c.a * coverage;
        if (a <= 0) return;
        Colour& p = pixels_[y * size_ + x];
        p.r = c.r * a + p.r * (1 - a);
        p.g = c.g * a + p.g * (1 - a);
        p.b = c.b * a + p.b * (1 - a);
        p.a = a + p.a * (1 - a);
    }

    int size_;
    std::vector<Colour> pixels_;
};

// --- shapes -------------------------------------------------------------

Distance RoundedBox(float cx, float cy, float halfWidth, float halfHeight, float radius,
                    float degrees = 0) {
    float angle = degrees * 3.14159265f / 180.0f;
    float c = std::cos(angle), s = std::sin(angle);
    return [=](float x, float y) {
        float dx = x - cx, dy = y - cy;
        float lx = std::fabs(c * dx + s * dy) - (halfWidth - radius);
        float ly = std::fabs(-s * dx + c * dy) - (halfHeight - radius);
        float outside = std::hypot(std::max(lx, 0.0f), std::max(ly, 0.0f));
        return outside + std::min(std::max(lx, ly), 0.0f) - radius;
    };
}

Distance Circle(float cx, float cy, float radius) {
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - radius; };
}

Distance Ring(float cx, float cy, float radius, float halfThickness) {
    return [=](float x, float y) {
        return std::fabs(std::hypot(x - cx, y - cy) - radius) - halfThickness;
    };
}

Distance Capsule(float x0, float y0, float x1, float y1, float radius) {
    return [=](float x, float y) {
        float vx = x1 - x0, vy = y1 - y0;
        float t = std::clamp(((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy), 0.0f, 1.0f);
        return std::hypot(x - x0 - t * vx, y - y0 - t * vy) - radius;
    };
}

// Convex polygon, points counter-clockwise or clockwise alike.
Distance Polygon(std::vector<std::array<float, 2>> points) {
    return [points](float x, float y) {
        bool inside = false;
        float nearest = 1e9f;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            auto [xi, yi] = points[i];
            auto [xj, yj] = points[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
            float vx = xj - xi, vy = yj - yi;
            float t = std::clamp(((x - xi) * vx + (y - yi) * vy) / (vx * vx + vy * vy), 0.0f, 1.0f);
            nearest = std::min(nearest, std::hypot(x - xi - t * vx, y - yi - t * vy));
        }
        return inside ? -nearest : nearest;
    };
}

Distance Intersect(Distance a, Distance b) {
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

Distance Translate(Distance a, float dx, float dy) {
    return [=](float x, float y) { return a(x - dx, y - dy); };
}

// --- the card every icon shows ------------------------------------------

struct CardStyle {
    Colour band;  // header strip and grid accents
    Colour face = Rgb(250, 251, 253);
    Colour edge = Rgb(120, 130, 150);
};

// A matrix card: a rounded sheet with a coloured header band and a grid
// of code cells. Rotation is about the card's centre.
void DrawCard(Canvas& canvas, float cx, float cy, float halfWidth, float halfHeight,
              float degrees, const CardStyle& style, bool withShadow = true) {
    float radius = 0.06f;
    Distance outline = RoundedBox(cx, cy, halfWidth, halfHeight, radius, degrees);
    if (withShadow)
        canvas.Shadow(Translate(outline, 0.015f, 0.03f), Rgb(0, 0, 0, 0.45f), 0.05f);
    canvas.Fill(outline, style.edge);
    Distance face = RoundedBox(cx, cy, halfWidth - 0.022f, halfHeight - 0.022f, radius - 0.02f,
                               degrees);
    canvas.Fill(face, style.face);

    float angle = degrees * 3.14159265f / 180.0f;
    float c = std::cos(angle), s = std::sin(angle);
    auto place = [&](float u, float v) {  // card-local offset -> canvas point
        return std::array<float, 2>{cx + c * u - s * v, cy + s * u + c * v};
    };

    float bandHeight = halfHeight * 0.42f;
    auto bandCentre = place(0, -halfHeight + bandHeight / 2);
    canvas.Fill(Intersect(face, RoundedBox(bandCentre[0], bandCentre[1], halfWidth, bandHeight / 2,
                                           0.0f, degrees)),
                style.band);

    // 4 x 3 grid of cells below the band; every other one tinted.
    const int columns = 4, rows = 3;
    float gridLeft = -halfWidth + 0.07f, gridRight = halfWidth - 0.07f;
    float gridTop = -halfHeight + bandHeight + 0.06f, gridBottom = halfHeight - 0.07f;
    float cellW = (gridRight - gridLeft) / columns, cellH = (gridBottom - gridTop) / rows;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            auto centre = place(gridLeft + (column + 0.5f) * cellW, gridTop + (row + 0.5f) * cellH);
            Colour colour = (row + column) % 2 ? Rgb(200, 206, 218)
                                               : Colour{style.band.r, style.band.g, style.band.b, 0.55f};
            canvas.Fill(RoundedBox(centre[0], centre[1], cellW * 0.36f, cellH * 0.32f, 0.01f, degrees),
                        colour);
        }
    }
}

// --- the three icons -----------------------------------------------------

// check: a card with a magnifying glass over its lower right corner.
void DrawCheck(Canvas& canvas) {
    DrawCard(canvas, 0.42f, 0.40f, 0.36f, 0.27f, 0, {Rgb(38, 110, 200)});
    float lx = 0.63f, ly = 0.62f, lensRadius = 0.19f;
    canvas.Shadow(Translate(Ring(lx, ly, lensRadius + 0.015f, 0.035f), 0.015f, 0.03f), Rgb(0, 0, 0, 0.4f), 0.05f);
    canvas.Fill(Capsule(lx + 0.14f, ly + 0.14f, 0.93f, 0.93f, 0.06f), Rgb(60, 45, 35));
    canvas.Fill(Capsule(lx + 0.15f, ly + 0.15f, 0.91f, 0.91f, 0.035f), Rgb(120, 88, 60));
    canvas.Fill(Circle(lx, ly, lensRadius), Rgb(215, 238, 255, 0.6f));
    canvas.Fill(Intersect(Circle(lx, ly, lensRadius), Circle(lx - 0.06f, ly - 0.06f, 0.1f)),
                Rgb(255, 255, 255, 0.6f));
    canvas.Fill(Ring(lx, ly, lensRadius + 0.015f, 0.035f), Rgb(45, 55, 70));
}

// create: a card with a pen writing on it.
void DrawCreate(Canvas& canvas) {
    DrawCard(canvas, 0.40f, 0.44f, 0.36f, 0.27f, 0, {Rgb(40, 160, 90)});
    // Pen from the upper right towards a nib at the lower left.
    float tipX = 0.44f, tipY = 0.80f, endX = 0.90f, endY = 0.30f;
    float dx = endX - tipX, dy = endY - tipY, length = std::hypot(dx, dy);
    float ux = dx / length, uy = dy / length, nx = -uy, ny = ux;
    float half = 0.075f;
    auto at = [&](float along, float across) {
        return std::array<float, 2>{tipX + ux * along + nx * across, tipY + uy * along + ny * across};
    };
    Distance body = Polygon({at(0.16f, -half), at(length, -half), at(length, half), at(0.16f, half)});
    Distance nib = Polygon({at(0, 0), at(0.16f, -half), at(0.16f, half)});
    canvas.Shadow(Translate(Polygon({at(0, 0), at(0.16f, -half), at(length, -half), at(length, half),
                                     at(0.16f, half)}),
                            0.015f, 0.03f),
                  Rgb(0, 0, 0, 0.4f), 0.05f);
    canvas.Fill(body, Rgb(235, 150, 30));
    canvas.Fill(Polygon({at(0.16f, 0), at(length, 0), at(length, half), at(0.16f, half)}),
                Rgb(200, 110, 15));
    canvas.Fill(Polygon({at(length - 0.09f, -half), at(length, -half), at(length, half),
                         at(length - 0.09f, half)}),
                Rgb(220, 90, 110));
    canvas.Fill(Polygon({at(length - 0.115f, -half), at(length - 0.09f, -half),
                         at(length - 0.09f, half), at(length - 0.115f, half)}),
                Rgb(190, 190, 200));
    canvas.Fill(nib, Rgb(245, 220, 180));
    canvas.Fill(Polygon({at(0, 0), at(0.06f, -half * 0.375f), at(0.06f, half * 0.375f)}), Rgb(40, 40, 40));
}

// Morvane: a fanned stack of three cards.
void DrawManager(Canvas& canvas) {
    DrawCard(canvas, 0.52f, 0.38f, 0.34f, 0.24f, 14, {Rgb(220, 80, 70)});
    DrawCard(canvas, 0.49f, 0.50f, 0.34f, 0.24f, 4, {Rgb(235, 165, 35)});
    DrawCard(canvas, 0.47f, 0.63f, 0.34f, 0.24f, -6, {Rgb(120, 70, 190)});
}

// --- .ico writing --------------------------------------------------------

void Put16(std::string& out, uint16_t v) {
    out += char(v & 0xff);
    out += char(v >> 8);
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, uint16_t(v & 0xffff));
    Put16(out, uint16_t(v >> 16));
}

// One icon image as a DIB: BITMAPINFOHEADER with doubled height, BGRA rows
// bottom-up, then the 1-bit AND mask (rows padded to 32 bits).
std::string IconImage(const Canvas& canvas) {
    int n = canvas.Size();
    int maskStride = ((n + 31) / 32) * 4;
    std::string out;
    Put32(out, 40);
    Put32(out, uint32_t(n));
    Put32(out, uint32_t(n * 2));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    Put32(out, uint32_t(n * n * 4 + maskStride * n));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    auto byte = [](float v) { return char(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
    for (int y = n - 1; y >= 0; --y) {
        for (int x = 0; x < n; ++x) {
            const Colour& p = canvas.At(x, y);
            // Icon pixels are straight (not premultiplied) alpha.
            float a = p.a;
            float k = a > 0 ? 1 / a : 0;
            out += byte(p.b * k);
            out += byte(p.g * k);
            out += byte(p.r * k);
            out += byte(a);
        }
    }
    for (int y = n - 1; y >= 0; --y) {
        std::string row(maskStride, '\0');
        for (int x = 0; x < n; ++x)
            if (std::lround(canvas.At(x, y).a * 255) == 0) row[x / 8] |= char(0x80 >> (x % 8));
        out += row;
    }
    return out;
}

bool WriteIcon(const std::string& path, const std::function<void(Canvas&)>& draw) {
    std::vector<std::string> images;
    std::vector<int> sizes = {48, 32};
    for (int size : sizes) {
        Canvas canvas(size);
        draw(canvas);
        images.push_back(IconImage(canvas));
    }
    std::string out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, uint16_t(images.size()));
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out += char(sizes[i]);
        out += char(sizes[i]);
        out += char(0);  // no palette
        out += char(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, uint32_t(images[i].size()));
        Put32(out, offset);
        offset += uint32_t(images[i].size());
    }
    for (const auto& image : images) out += image;
    std::ofstream file(path, std::ios::binary);
    file.write(out.data(), std::streamsize(out.size()));
    return bool(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: iconart <repository root>\n");
        return 2;
    }
    std::string root = argv[1];
    struct Target {
        const char* path;
        void (*draw)(Canvas&);
    };
    const Target targets[] = {
        {"/check/check.ico", DrawCheck},
        {"/create/create.ico", DrawCreate},
        {"/manager/manager.ico", DrawManager},
    };
    int status = 0;
    for (const auto& target : targets) {
        std::string path = root + target.path;
        if (!WriteIcon(path, target.draw)) {
            std::fprintf(stderr, "iconart: cannot write %s\n", path.c_str());
            status = 1;
        } else {
            std::printf("%s\n", path.c_str());
        }
    }
    return status;
}
