#pragma once

#include <QString>

// The process a fuzz target runs in: a home of its own in memory-backed storage, so that the parsers that
// read files never touch the user's and the disk is spared, with the diagnostic lines off and a core
// application for the parts that need one.
class KLFuzzEnvironment final {
public:
    // Called once, from LLVMFuzzerInitialize, before anything reads the environment.
    static void setUp(int *argc, char ***argv);
    static QString home();

    // A broken promise of the parser is a finding: abort, so that libFuzzer keeps the input.
    static void require(bool condition, const char *promise);
};
