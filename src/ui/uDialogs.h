// uDialogs: the modal dialogs of the start-up sequence and the extraction.
// Each handles silent mode itself, as the driver expects.
#pragma once
#include <string>

// Password typed by the user; silent: ends the process with 1, no message.
std::string AskPassword();
// True when the licence is accepted; silent: true without a window.
bool ShowLicence(const std::string &licenceText);
// Folder chosen, or empty; silent: the package's own folder.
std::string AskDestination();
// True to overwrite fileName; may set OverwriteMode. Silent: false.
bool AskOverwrite(const std::string &fileName);
// Runs the progress dialog modally; it performs the extraction.
void RunProgressDialog();
