// Readers of stored property values for the controls' ReadProperty: each
// raises EReadError "Error reading <name>.<property>: Invalid property
// value" when the value is of the wrong kind.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "toolkit/base/Bitmap.h"
#include "toolkit/base/Classes.h"
#include "toolkit/forms/FormReader.h"

namespace formprops {

[[noreturn]] void PropertyError(const TComponent& c, const std::string& name, const std::string& what);
bool AsBool(const TComponent& c, const std::string& name, const TPropValue& v);
int AsInt(const TComponent& c, const std::string& name, const TPropValue& v);
const std::string& AsString(const TComponent& c, const std::string& name, const TPropValue& v);
const std::string& AsIdent(const TComponent& c, const std::string& name, const TPropValue& v);
// The position of an identifier among the names of an enumeration.
int AsEnum(const TComponent& c, const std::string& name, const TPropValue& v, std::initializer_list<const char*> names);
// The identifiers of a set ([fsBold, fsItalic]) as the bits of a TSet of
// that enumeration (TSet::FromBits).
std::uint32_t AsSetBits(const TComponent& c, const std::string& name, const TPropValue& v,
                        std::initializer_list<const char*> names);
// A number or a colour name (clBtnFace).
TColor AsColor(const TComponent& c, const std::string& name, const TPropValue& v);
// A glyph in the bitmap's stored form (TBitmap::ReadData).
void ReadGlyph(const TComponent& c, const std::string& name, const TPropValue& v, TBitmap& glyph);

}  // namespace formprops
