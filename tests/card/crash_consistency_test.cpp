// A save's file-system steps, recorded through the files layer, replayed
// into a model of a disk that a crash may leave with any part of the data
// not yet flushed, while every flush and every rename that returned stays.
// After a crash at any step the card file must be the old card or the new
// one, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "card_store.h"
#include "test_files.h"

namespace morvane {
namespace {

using testing::ReadBytes;

struct Step {
    enum class Kind { kWrite, kFlush, kReplace, kRemove, kKeepOutOfSearchIndex };
    Kind kind;
    FilePath path;
    std::string bytes;  // kWrite
    FilePath target;    // kReplace
};

std::string BaseName(const FilePath& path) { return testing::GbkOf(path.substr(path.rfind(kPathSeparator) + 1)); }

std::string Describe(const Step& step) {
    switch (step.kind) {
        case Step::Kind::kWrite:
            return "write " + BaseName(step.path) + " (" + std::to_string(step.bytes.size()) + " bytes)";
        case Step::Kind::kFlush: return "flush " + BaseName(step.path);
        case Step::Kind::kReplace: return "rename " + BaseName(step.path) + " over " + BaseName(step.target);
        case Step::Kind::kRemove: return "remove " + BaseName(step.path);
        case Step::Kind::kKeepOutOfSearchIndex: return "keep " + BaseName(step.path) + " out of the search index";
    }
    return {};
}

// The machine's file system, writing down each change that returned.
class RecordingFileSystem final : public files::FileSystem {
public:
    bool WriteAll(const FilePath& path, const std::string& bytes) override {
        return Record(FileSystem::WriteAll(path, bytes), {Step::Kind::kWrite, path, bytes, {}});
    }
    bool FlushToDisk(const FilePath& path) override {
        return Record(FileSystem::FlushToDisk(path), {Step::Kind::kFlush, path, {}, {}});
    }
    bool Replace(const FilePath& from, const FilePath& to) override {
        return Record(FileSystem::Replace(from, to), {Step::Kind::kReplace, from, {}, to});
    }
    void Remove(const FilePath& path) override {
        FileSystem::Remove(path);
        Record(true, {Step::Kind::kRemove, path, {}, {}});
    }
    void KeepOutOfSearchIndex(const FilePath& path) override {
        FileSystem::KeepOutOfSearchIndex(path);
        Record(true, {Step::Kind::kKeepOutOfSearchIndex, path, {}, {}});
    }

    std::vector<Step> steps;

private:
    bool Record(bool done, Step step) {
        if (done) steps.push_back(std::move(step));
        return done;
    }
};

// One way the disk may hold a file after a crash; nothing for no file.
struct CrashOutcome {
    const char* how;
    std::optional<std::string> bytes;
};

// Names bound to files, each file with the data a flush has put on the disk
// and the data written since. A rename is kept once it returned (the files
// layer makes it durable before returning); a write is not.
class ModelDisk {
public:
    // The disk before the save: `path` holds `bytes`, flushed, if any.
    ModelDisk(const FilePath& path, const std::optional<std::string>& bytes) {
        if (bytes) Bind(path, File{*bytes, *bytes, false});
    }

    void Apply(const Step& step) {
        switch (step.kind) {
            case Step::Kind::kWrite:
                if (names_.count(step.path)) {
                    File& file = files_[names_[step.path]];
                    file.written = step.bytes;
                    file.dirty = true;
                } else {
                    Bind(step.path, File{"", step.bytes, true});
                }
                break;
            case Step::Kind::kFlush:
                if (names_.count(step.path)) {
                    File& file = files_[names_[step.path]];
                    file.flushed = file.written;
                    file.dirty = false;
                }
                break;
            case Step::Kind::kReplace:
                if (names_.count(step.path)) {
                    names_[step.target] = names_[step.path];
                    names_.erase(step.path);
                }
                break;
            case Step::Kind::kRemove: names_.erase(step.path); break;
            case Step::Kind::kKeepOutOfSearchIndex: break;
        }
    }

    // What the program would read now.
    std::optional<std::string> Written(const FilePath& path) const {
        auto name = names_.find(path);
        if (name == names_.end()) return std::nullopt;
        return files_[name->second].written;
    }

    // Every content a crash now may leave under `path`. Data not flushed
    // reaches the disk in any part: none or all of it, cut short, or with
    // a half that still holds the flushed data or zeros, as blocks written
    // out of order and a size written before them leave it.
    std::vector<CrashOutcome> AfterCrash(const FilePath& path) const {
        auto name = names_.find(path);
        if (name == names_.end()) return {{"the file is not there", std::nullopt}};
        const File& file = files_[name->second];
        if (!file.dirty) return {{"everything was flushed", file.flushed}};
        const std::string& old = file.flushed;
        const std::string& now = file.written;
        const std::size_t size = now.size(), half = size / 2;
        auto old_part = [&](std::size_t from, std::size_t to) {
            std::string part = from < old.size() ? old.substr(from, to - from) : "";
            part.resize(to - from, '\0');
            return part;
        };
        std::string at_old_size = now;
        at_old_size.resize(old.size(), '\0');
        return {
            {"none of the data written since the last flush reached the disk", old},
            {"the file was cut to nothing and no data followed", ""},
            {"all of the data reached the disk", now},
            {"only the first half of the data reached the disk", now.substr(0, half)},
            {"all but the last byte reached the disk", now.substr(0, size > 0 ? size - 1 : 0)},
            {"the size reached the disk, the data did not (zeros)", std::string(size, '\0')},
            {"the first half reads as zeros", std::string(half, '\0') + now.substr(half)},
            {"the second half reads as zeros", now.substr(0, half) + std::string(size - half, '\0')},
            {"the first half still holds the flushed data", old_part(0, half) + now.substr(half)},
            {"the second half still holds the flushed data", now.substr(0, half) + old_part(half, size)},
            {"the data reached the disk, the new size did not", at_old_size},
        };
    }

private:
    struct File {
        std::string flushed;
        std::string written;
        bool dirty;
    };
    void Bind(const FilePath& path, File file) {
        files_.push_back(std::move(file));
        names_[path] = files_.size() - 1;
    }

    std::vector<File> files_;
    std::map<FilePath, std::size_t> names_;
};

std::string Shown(const std::optional<std::string>& bytes) {
    if (!bytes) return "(missing)";
    if (bytes->empty()) return "(empty)";
    std::string shown = "\"";
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        const auto c = static_cast<unsigned char>((*bytes)[i]);
        const std::size_t zeros_end = std::min(bytes->find_first_not_of('\0', i), bytes->size());
        if (zeros_end > i + 1) {
            shown += "<" + std::to_string(zeros_end - i) + " zero bytes>";
            i = zeros_end - 1;
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    return shown + "\"";
}

std::string RowsOf(int count, char cell) {
    std::string content;
    for (int row = 1; row <= count; ++row)
        content += (row > 1 ? "\r\n" : "") + std::string(1, cell) + std::to_string(row) + ",code";
    return content;
}

std::string CardFileOf(int rows) {
    std::string bytes = "[Info]\r\n序列号=old\r\n[Card]\r\n";
    for (int row = 1; row <= rows; ++row) bytes += RowLetter(row) + "=o" + std::to_string(row) + ",old\r\n";
    return bytes;
}

struct SaveCase {
    const char* name;
    std::optional<std::string> old_card_file;  // none: a new card
    std::string content;
};

const SaveCase kSaveCases[] = {
    {"NewCard", std::nullopt, RowsOf(3, 'n')},
    {"EditWithFewerRows", CardFileOf(6), RowsOf(2, 'f')},
    {"EditWithMoreRows", CardFileOf(2), RowsOf(7, 'm')},
    {"FileWithKeysTheSaveDoesNotOwn",
     "; kept\r\n[Info]\r\nOwner=me\r\n序列号=old\r\n[Card]\r\nA=a\r\nNote=kept\r\nB=b\r\n[Other]\r\nk=v\r\n",
     RowsOf(3, 'k')},
};

void PrintTo(const SaveCase& save, std::ostream* out) { *out << save.name; }

std::string Described(const std::vector<Step>& steps) {
    std::string described;
    for (std::size_t i = 0; i < steps.size(); ++i) described += "\n  " + std::to_string(i + 1) + ". " + Describe(steps[i]);
    return described;
}

// With the project's own INI writer every write of a save goes through the
// files layer, so the recording is the whole save.
class CrashConsistency : public ::testing::TestWithParam<SaveCase> {
protected:
    // Saves the case's card, the old card file in place first, and records
    // the save's steps.
    void RecordSave() {
        const SaveCase& save = GetParam();
        if (save.old_card_file) testing::WriteBytes(card, *save.old_card_file);
        files::FileSystemOverride recording(recorder);
        ASSERT_TRUE(SaveCard(OwnProfile(), card, "new", save.content));
    }

    testing::ScratchStore store;
    const FilePath card = store.Card("c");
    RecordingFileSystem recorder;
};

TEST_P(CrashConsistency, EveryCrashLeavesTheWholeOldCardOrTheWholeNewOne) {
    const SaveCase& save = GetParam();
    ASSERT_NO_FATAL_FAILURE(RecordSave());
    const std::optional<std::string> new_card_file = ReadBytes(card);
    ASSERT_EQ(ReadCardContent(OwnProfile(), card), save.content);

    // Crash point k: the first k steps have returned, no later one began. A
    // step under way at a crash has either not happened or happened without
    // its promise, which is the state at one of these points too: a write
    // promises nothing, and a flush without its promise changes nothing.
    ModelDisk crashed(card, save.old_card_file);
    for (std::size_t done = 0; done <= recorder.steps.size(); ++done) {
        if (done > 0) crashed.Apply(recorder.steps[done - 1]);
        std::string bad;
        std::vector<std::optional<std::string>> told;
        for (const CrashOutcome& outcome : crashed.AfterCrash(card)) {
            if (outcome.bytes == save.old_card_file || outcome.bytes == new_card_file) continue;
            if (std::find(told.begin(), told.end(), outcome.bytes) != told.end()) continue;
            told.push_back(outcome.bytes);
            bad += "\n  " + Shown(outcome.bytes) + " when " + outcome.how;
        }
        if (bad.empty()) continue;
        FAIL() << "a crash after step " << done << " of " << recorder.steps.size()
               << (done > 0 ? " (" + Describe(recorder.steps[done - 1]) + ")" : std::string())
               << " may leave the card file neither the old card " << Shown(save.old_card_file)
               << " nor the new one " << Shown(new_card_file) << " but:" << bad
               << "\nThe steps:" << Described(recorder.steps);
    }
    EXPECT_EQ(crashed.Written(card), new_card_file) << "the recorded steps do not make the saved card";
}

// The file that becomes the card is marked after its last write, which may
// make it anew, and before the rename: a new card and an old one at its next
// save. The mark itself reads back only where the file system keeps it (NTFS;
// not natively, nor under wine, which keeps only the hidden and system
// attributes).
TEST_P(CrashConsistency, TheCardIsKeptOutOfTheSearchIndexBeforeTheRename) {
    ASSERT_NO_FATAL_FAILURE(RecordSave());
    const std::vector<Step>& steps = recorder.steps;
    const auto rename = std::find_if(steps.begin(), steps.end(), [&](const Step& step) {
        return step.kind == Step::Kind::kReplace && step.target == card;
    });
    ASSERT_NE(rename, steps.end()) << "no rename made the card:" << Described(steps);
    const FilePath& scratch = rename->path;
    bool marked = false;
    for (auto step = steps.begin(); step != rename; ++step) {
        if (step->path != scratch) continue;
        if (step->kind == Step::Kind::kWrite) marked = false;
        if (step->kind == Step::Kind::kKeepOutOfSearchIndex) marked = true;
    }
    EXPECT_TRUE(marked) << "the renamed file was not kept out of the search index after its last write:"
                        << Described(steps);
#ifdef _WIN32
    const FilePath probe = store.cards() + L"\\probe.tmp";
    testing::WriteBytes(probe, "x");
    files::KeepOutOfSearchIndex(probe);
    if (GetFileAttributesW(probe.c_str()) & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED) {
        EXPECT_TRUE(GetFileAttributesW(card.c_str()) & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    }
#endif
}

INSTANTIATE_TEST_SUITE_P(Saves, CrashConsistency, ::testing::ValuesIn(kSaveCases),
                         [](const ::testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace morvane
