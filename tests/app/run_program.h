// The program itself run as a batch queue runs it: a parameter file on its
// command line, in a process of its own.
#pragma once

#include <map>
#include <string>

// Runs the program with arguments (in the environment env changes, "env"
// arguments); its exit code and what it printed.
int runProgram(const std::string& args, std::string* pOutput, const std::string& env = "");

// The same under a time limit: 124 when the limit ended it.
int runProgramWithin(int nSeconds, const std::string& args, std::string* pOutput);

// Runs the program as another user than the one whose files the test makes:
// as "nobody" when the test runs as root (its working folder xdg), else as
// the test's own user (a test then stands for the other user by files this
// user may not use either). -1 when it cannot be started.
int runProgramAsOtherUser(const std::string& args, const std::string& xdg, std::string* pOutput);
// Whether runProgramAsOtherUser runs as another user (the test runs as root).
bool otherUserIsReal();

// Every file under a folder with its content and write time, to see that
// nothing changed there.
std::map<std::string, std::string> folderState(const std::string& folder);
