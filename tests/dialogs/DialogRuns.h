// Packages for the dialog tests and what their boxes say.
#pragma once
#include <windows.h>
#include <string>
#include "oxPackages.h"
#include "oxProcess.h"
#include "oxWindows.h"

// A package of one file, readme.txt ("payload" CR LF), titled "Test",
// extracting into folder + "out\" (created here).
TPackOptions DialogPackage(const std::string &folder);
// The folder a DialogPackage extracts into.
std::string OutFolder(const std::string &folder);
// Builds the package and starts it; arguments follow the program name.
TChild StartPackage(const TPackOptions &options, const std::string &arguments = std::string());

const int ProgressBar = 101;  // the control that tells the progress dialog

// Default English message n (1..56).
std::string Text(int n);
extern const char Caption[];  // caption of every window of a "Test" package
// The body of a quit question: text, an empty line, message 37.
std::string QuitQuestion(const std::string &text);
// Expects box to be the quit question for text (caption, Yes/No, No the
// default).
void ExpectQuitQuestion(const TBox &box, const std::string &text);

// Waits for the package's run to end and checks that it extracted
// readme.txt into outFolder and ended with exit code 0.
void ExpectFinishedRun(TChild &child, const std::string &outFolder);
