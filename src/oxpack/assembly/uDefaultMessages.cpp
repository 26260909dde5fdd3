// uDefaultMessages: the 56 English texts of the message table, used when
// a package brings no messages of its own.
#include "uPackage.h"

const std::vector<std::string> &DefaultMessages()
{
    static const std::vector<std::string> messages = {
        "One moment please...",  // 1
        "Scanning cabinet...",  // 2
        "Decompressing cabinet...",  // 3
        "Starting installation...",  // 4
        "Finishing...",  // 5
        "Cleaning up...",  // 6
        "Are you sure you want to cancel the extraction?",  // 7
        "&Pause",  // 8
        "&Resume",  // 9
        "Unable to create required temporary folder!",  // 10
        "You do not have sufficient disk space to complete this operation.",  // 11
        "Free bytes required: ",  // 12
        "Please remove some files from your target disk and try again.",  // 13
        "Unable to seek the cabinet!",  // 14
        "No error",  // 15
        "Cabinet not found",  // 16
        "Cabinet file does not have the correct format",  // 17
        "Cabinet file has an unknown version number",  // 18
        "Cabinet file is corrupt",  // 19
        "Could not allocate enough memory for decompression",  // 20
        "Unknown compression type in a cabinet folder",  // 21
        "Failure decompressing data from a cabinet file",  // 22
        "Failure writing to target file",  // 23
        "Cabinets in the set do not have the same reserved space",  // 24
        "Next cabinet is out of sequence",  // 25
        "User abort",  // 26
        "Unknown error!",  // 27
        "Unable to create folder: ",  // 28
        "Unable to overwrite file: ",  // 29
        "Unable to create file: ",  // 30
        "Where would you like to place the contents of this cabinet?",  // 31
        "Please specify a valid folder name with a fully qualified path.",  // 32
        "Please specify a valid folder name.",  // 33
        "An error has occured:",  // 34
        "An unrecoverable error has occured:",  // 35
        "Please click OK to quit this program.",  // 36
        "Please click YES to exit, or NO to continue.",  // 37
        "Please insert the following disk and cabinet to continue:",  // 38
        "Disk: ",  // 39
        "Cabinet: ",  // 40
        "You have entered an empty password. Please enter a valid password.",  // 41
        "The cabinet has most likely been damaged, please obtain a new copy of this cabinet and try again.",  // 42
        "The cabinet may be damaged, or you have entered an incorrect password.",  // 43
        "&Cancel",  // 44
        "Please read the following license agreement. Press the PAGE DOWN key to see the rest of the agreement.",  // 45
        "Do you accept all of the terms of the preceding License Agreement? If you choose No, this program will close. To continue you must accept this agreement.",  // 46
        "&Yes",  // 47
        "&No",  // 48
        "Please type the location where you want to place the extracted files. You may type in new folder names if you wish.",  // 49
        "&Browse...",  // 50
        "&OK",  // 51
        "Do you want to overwrite the file:",  // 52
        "Yes to &All",  // 53
        "N&o to All",  // 54
        "This package has been password protected. Please enter the password to continue.",  // 55
        "Unable to (create and) read from self extraction library.",  // 56
    };
    return messages;
}
