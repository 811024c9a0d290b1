#include "fatal.h"

static const char *const kTexts[] = {
    "Fatal: Cannot get module handle.",
    "Fatal: Unknown error.",
    "Fatal: Can't open EXE.",
    "Fatal: Cannot find Roadfire installation.",
    "Fatal: Cannot create car folder.",
    "Fatal: Cannot get EXE filename.",
    "Fatal: Must install car before installing showcase.",
    "Fatal: During extract data write.",
    "Fatal: Bad file name in payload.",
    "Fatal: Path too long.",
    "Fatal: During extract data read.",
    "Fatal: Cannot start install thread.",
    "Fatal: Create Dialog failed.",
    "Fatal: Register class failed.",
};

const char *FatalText(int code)
{
    if (code < 0 || code >= (int)(sizeof kTexts / sizeof kTexts[0]))
        return kTexts[1];
    return kTexts[code];
}
