#pragma once

// The entry point every fuzz target defines. libFuzzer calls it in the fuzz build; in the everyday
// build replay_main.cpp feeds it each file of the target's corpus, so the corpus is checked
// without clang.

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace fuzzing {

// An invariant of the code under test that does not hold: reported and aborted, so that libFuzzer
// keeps the input and the replay fails.
[[noreturn]] void violated(const char *what);

// Turns the program's logging off: log lines would cost more than the code under test.
void quietLogging();

} // namespace fuzzing
