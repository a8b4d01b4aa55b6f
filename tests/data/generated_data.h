// The data the tests look at: the build's datagen run into a fresh temporary folder, once per test
// program, plus helpers to run it again and read what it wrote.
#pragma once

#include <string>
#include <vector>

// The folder of this process's datagen run (made on first use; a failed run fails the test that
// asked for it).
const std::string& generated_dir();

// A new empty folder under the test temporary directory.
std::string make_temp_dir();

// Runs datagen with the given arguments (joined by spaces, each quoted); returns its exit status.
int run_datagen(const std::vector<std::string>& arguments);

// The whole file, or an empty string when it cannot be read.
std::string read_bytes(const std::string& path);

// Every regular file under dir, as paths relative to it, sorted.
std::vector<std::string> files_under(const std::string& dir);
