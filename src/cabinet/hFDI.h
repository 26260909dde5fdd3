// hFDI: the cabinet library's File Decompression Interface as the
// extractor binds it at run time (records and codes as the platform
// documents them; the entry points come from GetProcAddress).
#pragma once
#include <windows.h>
#include <fdi.h>

typedef HFDI(DIAMONDAPI *TFDICreate)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE,
                                     PFNSEEK, int, PERF);
typedef BOOL(DIAMONDAPI *TFDIIsCabinet)(HFDI, INT_PTR, PFDICABINETINFO);
typedef BOOL(DIAMONDAPI *TFDICopy)(HFDI, char *, char *, int, PFNFDINOTIFY, PFNFDIDECRYPT, void *);
typedef BOOL(DIAMONDAPI *TFDIDestroy)(HFDI);

extern TFDICreate pFDICreate;
extern TFDIIsCabinet pFDIIsCabinet;
extern TFDICopy pFDICopy;
extern TFDIDestroy pFDIDestroy;

// The attribute bit by which a cabinet says a file's name is UTF-8
// (_A_NAME_IS_UTF); every other name is in the ANSI code page.
const USHORT CabNameIsUtf8 = 0x80;
