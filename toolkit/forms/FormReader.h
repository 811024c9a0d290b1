// Stored form descriptions: a small text per window, compiled into the
// program as a resource.
//
//   object Main: TMain            an object: name, class, then its
//     ClientWidth = 442           properties (dotted names allowed) and
//     Caption = 'Main'            nested objects, closed by "end"
//     Hint = 'Close'#13#10'Gold'  strings: quoted parts ('' is a quote) and
//     Visible = False             #nn character codes, side by side
//     Picture.Data = @MAIN_BG     binary: @NAME (bytes from the resolver)
//     Mask.Data = {0400 0000}     or hex digits in braces
//     object Image1: TImage
//     end
//   end
//
// Comments run from "//" to the end of the line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/base/Classes.h"

class EParserError : public Exception { using Exception::Exception; };

enum TValueKind { vaInteger, vaString, vaIdent, vaBinary };

struct TPropValue {
  TValueKind Kind = vaInteger;
  std::int64_t Integer = 0;
  std::string Text;                 // vaString and vaIdent
  std::vector<std::uint8_t> Bytes;  // vaBinary
};

struct TObjectDesc {
  std::string Name, ClassName;
  std::vector<std::pair<std::string, TPropValue>> Properties;
  std::vector<TObjectDesc> Children;
};

// Gives the bytes of a named binary resource; false when there is none.
using TResourceResolver = std::function<bool(const std::string& name, std::vector<std::uint8_t>& bytes)>;

// Parses one description. Raises EParserError "Line <n>: <what>" on any
// fault: unexpected or missing tokens, an unknown resource, integers out of
// 32-bit range, nesting deeper than 32, text after the last "end".
TObjectDesc ParseFormDescription(const std::string& text, const TResourceResolver& resolve);
