/* The fatal messages of the car installer. Every failure ends the process
 * through the fatal stop with one of these codes, which is also the exit code.
 * The table is shared by the program, its tests and carpack. */
#ifndef CARINSTALLER_FATAL_H
#define CARINSTALLER_FATAL_H

enum FatalCode {
    FATAL_MODULE_HANDLE = 0,  /* "Fatal: Cannot get module handle." */
    FATAL_OPEN_EXE = 2,       /* "Fatal: Can't open EXE." */
    FATAL_NO_GAME = 3,        /* "Fatal: Cannot find Roadfire installation." */
    FATAL_CREATE_FOLDER = 4,  /* "Fatal: Cannot create car folder." */
    FATAL_EXE_NAME = 5,       /* "Fatal: Cannot get EXE filename." */
    FATAL_NO_CAR = 6,         /* "Fatal: Must install car before installing showcase." */
    FATAL_WRITE = 7,          /* "Fatal: During extract data write." */
    FATAL_BAD_NAME = 8,       /* "Fatal: Bad file name in payload." */
    FATAL_PATH_TOO_LONG = 9,  /* "Fatal: Path too long." */
    FATAL_READ = 10,          /* "Fatal: During extract data read." */
    FATAL_THREAD = 11,        /* "Fatal: Cannot start install thread." */
    FATAL_CREATE_DIALOG = 12, /* "Fatal: Create Dialog failed." */
    FATAL_REGISTER_CLASS = 13 /* "Fatal: Register class failed." */
};

/* The logic functions return 0 for success or one of the codes above; code 0
 * (module handle) is raised only by the program's start-up, never by them. */
#define CORE_OK 0

/* Caption of every fatal message box (two blanks before "Self"). */
#define FATAL_CAPTION "Roadfire Rally  Self-Extractor Error"

/* Text of a code; an unknown code gives "Fatal: Unknown error.". */
const char *FatalText(int code);

#endif
