// uMessageNumbers: the numbers of the message table's texts, named once
// for the extractor that shows them and the builder that writes them.
#pragma once

enum TMessageNumber : int {
    MsgOneMoment = 1,            // progress: the run starts
    MsgScanning = 2,             // progress: before the cabinet is checked
    MsgDecompressing = 3,        // progress: before the files come out
    MsgStartingInstall = 4,      // progress: the command of a work-folder run
    MsgFinishing = 5,            // progress: after the extraction otherwise
    MsgCleaningUp = 6,           // progress: the work folder goes
    MsgCancelQuestion = 7,
    MsgPause = 8,
    MsgResume = 9,
    MsgNoWorkFolder = 10,
    MsgNoSpace = 11,             // free-space box, its three lines
    MsgBytesRequired = 12,
    MsgRemoveFiles = 13,
    MsgCannotSeek = 14,
    MsgFdiErrorFirst = 15,       // 15..26: the cabinet library's codes 0..11
    MsgUnknownError = 27,
    MsgCannotCreateFolder = 28,
    MsgCannotOverwrite = 29,
    MsgCannotCreateFile = 30,
    MsgBrowseTitle = 31,
    MsgNotFullPath = 32,
    MsgInvalidFolder = 33,
    MsgErrorHeading = 34,        // the abort/retry/ignore box
    MsgFatalHeading = 35,        // the fatal box, first and last line
    MsgClickOk = 36,
    MsgYesToExit = 37,           // the yes/no quit box's last line
    MsgInsertDisk = 38,          // the next-cabinet prompt, its three lines
    MsgDisk = 39,
    MsgCabinet = 40,
    MsgEmptyPassword = 41,
    MsgDamaged = 42,             // the cabinet not recognised, plain package
    MsgDamagedOrPassword = 43,   // the same, protected package
    MsgCancel = 44,
    MsgLicencePrompt = 45,
    MsgLicenceQuestion = 46,
    MsgYes = 47,
    MsgNo = 48,
    MsgDestinationPrompt = 49,
    MsgBrowse = 50,
    MsgOk = 51,
    MsgOverwriteHeading = 52,
    MsgYesToAll = 53,
    MsgNoToAll = 54,
    MsgPasswordPrompt = 55,
    MsgNoLibrary = 56,
    MessageCount = 56
};
