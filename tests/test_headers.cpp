// Only the owner of the test files' precompiled headers.
