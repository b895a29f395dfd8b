#pragma once
// Resource identifiers, read by both windres and the compiler.
#define IDI_CHECK 1
