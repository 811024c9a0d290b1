#include "toolkit/forms/FormReader.h"

#include <cctype>

namespace {

constexpr int kMaxDepth = 32;

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

class Parser {
public:
  Parser(const std::string& text, const TResourceResolver& resolve) : s(text), resolve(resolve) {}

  TObjectDesc Document() {
    TObjectDesc root = Object(0);
    SkipBlank();
    if (p < s.size()) Fail("text after the last end");
    return root;
  }

private:
  [[noreturn]] void Fail(const std::string& what) {
    throw EParserError("Line " + std::to_string(line) + ": " + what);
  }

  void SkipBlank() {
    while (p < s.size()) {
      char c = s[p];
      if (c == '\n') {
        line++;
        p++;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        p++;
      } else if (c == '/' && p + 1 < s.size() && s[p + 1] == '/') {
        while (p < s.size() && s[p] != '\n') p++;
      } else {
        break;
      }
    }
  }

  std::string Ident(bool dotted) {
    SkipBlank();
    if (p >= s.size() || !IsIdentStart(s[p])) Fail("name expected");
    size_t start = p;
    while (p < s.size() && (IsIdentChar(s[p]) || (dotted && s[p] == '.' && p + 1 < s.size() && IsIdentStart(s[p + 1]))))
      p++;
    return s.substr(start, p - start);
  }

  void Expect(char c) {
    SkipBlank();
    if (p >= s.size() || s[p] != c) Fail(std::string("'") + c + "' expected");
    p++;
  }

  TObjectDesc Object(int depth) {
    if (depth >= kMaxDepth) Fail("objects nested too deeply");
    if (Ident(false) != "object") Fail("object expected");
    TObjectDesc obj;
    obj.Name = Ident(false);
    Expect(':');
    obj.ClassName = Ident(false);
    for (;;) {
      SkipBlank();
      size_t at = p;
      std::string name = Ident(true);
      if (name == "end") return obj;
      if (name == "object") {
        p = at;
        obj.Children.push_back(Object(depth + 1));
        continue;
      }
      Expect('=');
      obj.Properties.emplace_back(name, Value());
    }
  }

  TPropValue Value() {
    SkipBlank();
    if (p >= s.size()) Fail("value expected");
    TPropValue v;
    char c = s[p];
    if (c == '\'' || c == '#') {
      v.Kind = vaString;
      v.Text = JoinedString();
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      v.Integer = Integer();
    } else if (c == '{') {
      v.Kind = vaBinary;
      v.Bytes = Hex();
    } else if (c == '@') {
      p++;
      std::string name = Ident(false);
      v.Kind = vaBinary;
      if (!resolve || !resolve(name, v.Bytes)) Fail("unknown resource " + name);
    } else if (IsIdentStart(c)) {
      v.Kind = vaIdent;
      v.Text = Ident(false);
    } else if (c == '[') {
      v.Kind = vaSet;
      v.Items = Set();
    } else if (c == '(') {
      v.Kind = vaList;
      v.Items = List();
    } else {
      Fail("value expected");
    }
    return v;
  }

  std::int64_t Integer() {
    bool negative = s[p] == '-';
    if (negative) p++;
    if (p >= s.size() || !std::isdigit(static_cast<unsigned char>(s[p]))) Fail("number expected");
    std::int64_t n = 0;
    while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) {
      n = n * 10 + (s[p++] - '0');
      if (n > 0x80000000LL) Fail("number out of range");
    }
    if (!negative && n > 0x7FFFFFFF) Fail("number out of range");
    return negative ? -n : n;
  }

  // Quoted parts and #nn codes with nothing between them make one string.
  std::string String() {
    std::string out;
    while (p < s.size() && (s[p] == '\'' || s[p] == '#')) {
      if (s[p] == '#') {
        p++;
        if (p >= s.size() || !std::isdigit(static_cast<unsigned char>(s[p]))) Fail("character code expected");
        int code = 0;
        while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) {
          code = code * 10 + (s[p++] - '0');
          if (code > 255) Fail("character code out of range");
        }
        out += static_cast<char>(code);
        continue;
      }
      p++;
      for (;;) {
        if (p >= s.size() || s[p] == '\n') Fail("unterminated string");
        if (s[p] == '\'') {
          if (p + 1 < s.size() && s[p + 1] == '\'') {
            out += '\'';
            p += 2;
            continue;
          }
          p++;
          break;
        }
        out += s[p++];
      }
    }
    return out;
  }

  // Strings joined by "+", which may stand at the end of a line.
  std::string JoinedString() {
    std::string out = String();
    for (;;) {
      SkipBlank();
      if (p >= s.size() || s[p] != '+') return out;
      p++;
      SkipBlank();
      if (p >= s.size() || (s[p] != '\'' && s[p] != '#')) Fail("string expected");
      out += String();
    }
  }

  // [] or [name, name...]
  std::vector<std::string> Set() {
    p++;  // '['
    std::vector<std::string> items;
    SkipBlank();
    if (p < s.size() && s[p] == ']') {
      p++;
      return items;
    }
    for (;;) {
      items.push_back(Ident(false));
      SkipBlank();
      if (p < s.size() && s[p] == ',') {
        p++;
        continue;
      }
      Expect(']');
      return items;
    }
  }

  // ( 'string' 'string'... ), each item one string value.
  std::vector<std::string> List() {
    p++;  // '('
    std::vector<std::string> items;
    for (;;) {
      SkipBlank();
      if (p >= s.size()) Fail("')' expected");
      if (s[p] == ')') break;
      if (s[p] != '\'' && s[p] != '#') Fail("string expected");
      items.push_back(JoinedString());
    }
    p++;
    return items;
  }

  std::vector<std::uint8_t> Hex() {
    p++;  // '{'
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (;;) {
      SkipBlank();
      if (p >= s.size()) Fail("'}' expected");
      if (s[p] == '}') break;
      int d = HexDigit(s[p]);
      if (d < 0) Fail("hex digit expected");
      p++;
      if (high < 0) {
        high = d;
      } else {
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | d));
        high = -1;
      }
    }
    if (high >= 0) Fail("odd number of hex digits");
    p++;
    return bytes;
  }

  const std::string& s;
  const TResourceResolver& resolve;
  size_t p = 0;
  int line = 1;
};

}  // namespace

TObjectDesc ParseFormDescription(const std::string& text, const TResourceResolver& resolve) {
  return Parser(text, resolve).Document();
}

std::vector<TEventBinding> EventBindings(const TObjectDesc& description) {
  std::vector<TEventBinding> out;
  std::function<void(const TObjectDesc&)> walk = [&](const TObjectDesc& d) {
    for (const auto& [name, value] : d.Properties)
      if (name.size() > 2 && name.compare(0, 2, "On") == 0 &&
          std::isupper(static_cast<unsigned char>(name[2])) && value.Kind == vaIdent)
        out.push_back({d.Name, name, value.Text});
    for (const TObjectDesc& child : d.Children) walk(child);
  };
  walk(description);
  return out;
}
