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
//     Color = clBtnFace           identifiers stay identifiers: the
//                                 property's setter gives them meaning
//     Font.Style = [fsBold]       sets: identifiers in brackets
//     Lines.Strings = (           string lists: strings in parentheses;
//       'first line'              a long string may be split into
//       'second ' +               parts joined by "+"
//         'line')
//     OnClick = OkBtnClick        events: the handler's name (TMethodTable)
//     object Panel1: TPanel       objects hold objects (controls on a
//       object Label1: TLabel     panel, a group box on a panel...)
//       end
//     end
//   end
//
// Comments run from "//" to the end of the line.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/base/Classes.h"

class EParserError : public Exception { using Exception::Exception; };

enum TValueKind { vaInteger, vaString, vaIdent, vaBinary, vaSet, vaList };

struct TPropValue {
  TValueKind Kind = vaInteger;
  std::int64_t Integer = 0;
  std::string Text;                 // vaString and vaIdent
  std::vector<std::uint8_t> Bytes;  // vaBinary
  std::vector<std::string> Items;   // vaSet: identifiers; vaList: strings
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

// One event of a description: a property whose name is "On" and a capital
// letter onwards and whose value is an identifier, the handler's name.
struct TEventBinding {
  std::string Component;  // the object's name (the form's own for its events)
  std::string Event;      // "OnClick", "OnFileExtracted"...
  std::string Handler;    // "InstallBtnClick"
};
// Every event of the object and of the objects inside it, in text order.
std::vector<TEventBinding> EventBindings(const TObjectDesc& description);

// Handlers by name, of any signature: a form registers its methods, and a
// component's event is bound to the one its description names.
class TMethodTable {
public:
  template <class Signature>
  void Register(const std::string& name, std::function<Signature> handler) {
    FMethods[name] = std::move(handler);
  }
  bool Contains(const std::string& name) const { return FMethods.count(name) != 0; }
  // Raises EReadError "Invalid property value: no method <name>" when none
  // is registered, and "Invalid property value: method <name> does not fit"
  // when it was registered with another signature.
  template <class Signature>
  std::function<Signature> Find(const std::string& name) const {
    auto it = FMethods.find(name);
    if (it == FMethods.end()) throw EReadError("Invalid property value: no method " + name);
    if (auto* handler = std::any_cast<std::function<Signature>>(&it->second)) return *handler;
    throw EReadError("Invalid property value: method " + name + " does not fit");
  }

private:
  std::map<std::string, std::any> FMethods;
};
