#include "xml_tag.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "xml_attribute_index.h"
#include "zlk_system.h"

namespace zelkor {
namespace xml {

const std::string emptyString;

namespace {

// ASCII only, so the result never depends on the locale or on the sign of char.
inline bool isWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

inline bool contains(const std::string& set, char c) {
  return set.size() == 1 ? set[0] == c : std::memchr(set.data(), c, set.size()) != nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// BufferReader

BufferReader::BufferReader(const char* data, size_t length)
    : mBuffer(data), mLength(length), mTell(0), mLine(1), mLineMemory(-1), mChar(1), mCharMemory(-1) {}

bool BufferReader::isEof(int lookAhead) const {
  // a negative look-ahead never looks before the start
  const size_t ahead = lookAhead > 0 ? static_cast<size_t>(lookAhead) : 0;
  return mTell >= mLength || ahead >= mLength - mTell;
}

char BufferReader::peekChar(int lookAhead) const {
  if (isEof(lookAhead)) throw Exception("EOF");
  return mBuffer[mTell + (lookAhead > 0 ? lookAhead : 0)];
}

// Counters saturate: a huge single-line input must not overflow them.
void BufferReader::advance(char c) {
  switch (c) {
    case '\n':
      if (mLine < INT_MAX) ++mLine;
      mChar = 1;
      break;
    case '\t':
      mChar = mChar <= INT_MAX - 4 ? mChar + 4 : INT_MAX;
      break;
    case '\r':
      break;
    default:
      if (mChar < INT_MAX) ++mChar;
      break;
  }
}

char BufferReader::readChar() {
  if (isEof()) throw Exception("EOF");
  const char c = mBuffer[mTell++];
  if (c == '\r') {
    if (mChar < INT_MAX) ++mChar;
  } else {
    advance(c);
  }
  return c;
}

void BufferReader::skipChar(int n) {
  if (n <= 0) return;
  if (isEof(n - 1)) throw Exception("EOF");
  for (int i = 0; i < n; ++i) advance(mBuffer[mTell++]);
}

void BufferReader::skipWhitespace(int minimum) {
  int counted = 0;
  while (mTell < mLength) {
    const char c = mBuffer[mTell];
    if (c == ' ' || c == '\t') {
      ++counted;
    } else if (c != '\r' && c != '\n') {
      break;
    }
    advance(c);
    ++mTell;
  }
  if (counted < minimum) {
    if (isEof()) throw Exception("Eof before enough spaces were found");
    throw Exception("Not enough spaces!");
  }
}

std::string BufferReader::readWord(const std::string& extra) {
  const size_t start = mTell;
  while (mTell < mLength) {
    const char c = mBuffer[mTell];
    if (!isWordByte(c) && !(!extra.empty() && contains(extra, c))) break;
    advance(c);
    ++mTell;
  }
  return std::string(mBuffer + start, mTell - start);
}

std::string BufferReader::readUntil(const std::string& stops, bool stopAtLineEnd) {
  std::string text;
  size_t run = mTell;  // start of the bytes not yet copied
  while (mTell < mLength) {
    const char c = mBuffer[mTell];
    if ((stopAtLineEnd && c == '\n') || contains(stops, c)) break;
    if (c == '\r' || c == '\t') {
      text.append(mBuffer + run, mTell - run);
      if (c == '\t') text.append(4, ' ');
      advance(c);
      run = ++mTell;
      continue;
    }
    advance(c);
    ++mTell;
  }
  text.append(mBuffer + run, mTell - run);
  return text;
}

std::string BufferReader::readLine(const std::string& stops) { return readUntil(stops, true); }

std::string BufferReader::readText(const std::string& stops) { return readUntil(stops, false); }

void BufferReader::rememberPosition() {
  mLineMemory = mLine;
  mCharMemory = mChar;
}

// ---------------------------------------------------------------------------
// XmlTag

void XmlTag::clear() {
  tagType = NORMAL;
  closed = true;
  name.clear();
  arg.clear();
}

const std::string& XmlTag::getValue(const std::string& pName) const {
  for (const Argument& a : arg) {
    if (a.name == pName) return a.value;
  }
  return emptyString;
}

bool XmlTag::hasValue(const std::string& pName) const { return !getValue(pName).empty(); }

int XmlTag::getValueInt(const std::string& pName) const {
  // Values beyond int keep their low 32 bits, so "0xffffffff" reads as -1
  // (colours are stored that way).
  return static_cast<int>(static_cast<unsigned long>(std::strtol(getValue(pName).c_str(), nullptr, 0)));
}

float XmlTag::getValueFloat(const std::string& pName) const {
  const double value = std::atof(getValue(pName).c_str());
  // narrowing an out-of-range double is undefined; saturate to infinity instead
  if (value > FLT_MAX) return HUGE_VALF;
  if (value < -FLT_MAX) return -HUGE_VALF;
  return static_cast<float>(value);
}

double XmlTag::getValueDouble(const std::string& pName) const { return std::atof(getValue(pName).c_str()); }

void XmlTag::setValue(const std::string& pName, const std::string& value) {
  for (Argument& a : arg) {
    if (a.name == pName) {
      a.value = value;
      return;
    }
  }
  arg.emplace_back(pName, value);
}

void XmlTag::setValue(const std::string& pName, double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.6g", value);
  setValue(pName, std::string(text));
}

void XmlTag::setValue(const std::string& pName, int value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%0d", value);
  setValue(pName, std::string(text));
}

void XmlTag::setValueInt(const std::string& pName, int value) { setValue(pName, value); }

void XmlTag::setValueFloat(const std::string& pName, double value) { setValue(pName, value); }

void XmlTag::parse(BufferReader& reader) {
  clear();
  reader.rememberPosition();
  reader.skipWhitespace(0);
  if (reader.peekChar() != '<') {
    parseText(reader);
    return;
  }
  reader.skipChar(1);
  const char kind = reader.peekChar();
  if (kind == '!') {
    if (reader.peekChar(1) == '-' && reader.peekChar(2) == '-') {
      parseComment(reader);
    } else {
      parseExclaim(reader);
    }
  } else if (kind == '?') {
    parseQuestion(reader);
  } else {
    parseNormal(reader);
  }
}

void XmlTag::parseNormal(BufferReader& reader) {
  tagType = NORMAL;
  closed = false;
  reader.skipWhitespace(0);
  if (reader.peekChar() == '/') {
    closed = true;
    reader.skipChar(1);
    reader.skipWhitespace(0);
  }
  name = reader.readWord(":");
  detail::AttributeIndex index;
  for (;;) {
    reader.skipWhitespace(0);
    while (reader.peekChar() == '/') {
      closed = true;
      reader.skipChar(1);
      reader.skipWhitespace(0);
    }
    if (reader.peekChar() == '>') {
      reader.skipChar(1);
      return;
    }
    parseAttribute(reader, true, index);
  }
}

void XmlTag::parseAttribute(BufferReader& reader, bool requireEquals, detail::AttributeIndex& index) {
  static const std::string nameExtra(":_-");
  std::string attributeName = reader.readWord(nameExtra);
  reader.skipWhitespace(0);
  if (requireEquals && reader.readChar() != '=') throw Exception("'=' expected!");
  reader.skipWhitespace(0);
  std::string value;
  const char quote = reader.peekChar();
  if (quote == '"' || quote == '\'') {
    reader.skipChar(1);
    value = reader.readLine(std::string(1, quote));
    if (reader.isEof() || reader.peekChar() != quote) throw Exception("You must close the value using %c", quote);
    reader.skipChar(1);
  } else {
    value = reader.readWord();
  }
  index.store(arg, std::move(attributeName), std::move(value));
}

void XmlTag::parseComment(BufferReader& reader) {
  tagType = COMMENT;
  reader.skipChar(3);
  name = "COMMENT";
  std::string text;
  for (;;) {
    const char c = reader.readChar();
    if (c == '-' && reader.peekChar(0) == '-' && reader.peekChar(1) == '>') {
      if (text.empty() || text.back() == '-') throw Exception("Xml: Ill formatted comment!");
      reader.skipChar(2);
      break;
    }
    text += c;
  }
  arg.emplace_back("content", text);
}

void XmlTag::parseText(BufferReader& reader) {
  tagType = TEXT;
  name = "!!!text";
  static const std::string stops("<");
  arg.emplace_back("content", reader.readText(stops));
}

void XmlTag::parseQuestion(BufferReader& reader) {
  tagType = SPECIAL_QUESTION;
  reader.skipChar(1);
  closed = true;
  name = reader.readWord(">");
  detail::AttributeIndex index;
  for (;;) {
    reader.skipWhitespace(0);
    const char c = reader.peekChar();
    if (c == '?') break;
    if (c == '>') throw Exception("Xml: Ill formed <?xml?> tag, forgot to close it using '?>'?");
    parseAttribute(reader, true, index);
  }
  if (reader.isEof(1) || reader.peekChar(1) != '>') throw Exception("Xml: Ill formed <?xml?> tag");
  reader.skipChar(2);
}

void XmlTag::parseExclaim(BufferReader& reader) {
  tagType = SPECIAL_EXCLAIM;
  reader.skipChar(1);
  closed = true;
  name = "SPECIAL_EXCLAIM";
  detail::AttributeIndex index;
  for (;;) {
    reader.skipWhitespace(0);
    const char c = reader.peekChar();
    if (c == '>') {
      reader.skipChar(1);
      return;
    }
    // Only a word byte or a quote starts an entry; anything else (a bracket,
    // '=') would be read as an empty entry again and again.
    if (!isWordByte(c) && c != ':' && c != '_' && c != '-' && c != '"' && c != '\'') {
      if (std::isprint(static_cast<unsigned char>(c))) throw Exception("Xml: Unexpected '%c' in <!...> tag!", c);
      throw Exception("Xml: Unexpected byte 0x%02x in <!...> tag!", static_cast<unsigned char>(c));
    }
    parseAttribute(reader, false, index);
  }
}

namespace {

// A value between the quote it does not hold, so that it reads back whole (a
// value read between single quotes may hold double ones).
void appendQuoted(std::string& out, const std::string& value) {
  const char quote = value.find('"') == std::string::npos ? '"' : '\'';
  out += quote;
  out += value;
  out += quote;
}

bool isBareValue(const std::string& value) {
  if (value.empty()) return false;
  for (char c : value) {
    if (!isWordByte(c)) return false;
  }
  return true;
}

}  // namespace

void XmlTag::appendArguments(std::string& out) const {
  for (const Argument& a : arg) {
    out += ' ';
    out += a.name;
    out += '=';
    appendQuoted(out, a.value);
  }
}

void XmlTag::appendTo(std::string& out, bool allowSelfClose) const {
  switch (tagType) {
    case NORMAL:
      out += '<';
      out += name;
      appendArguments(out);
      out += closed && allowSelfClose ? "/>" : ">";
      break;
    case COMMENT:
      out += "<!--";
      out += getValue("content");
      out += "-->";
      break;
    case SPECIAL_QUESTION:
      out += "<?";
      out += name;
      appendArguments(out);
      out += "?>";
      break;
    case SPECIAL_EXCLAIM:
      out += "<!";
      for (size_t i = 0; i < arg.size(); ++i) {
        const Argument& a = arg[i];
        // "<!--" would open a comment
        if (i || (!a.name.empty() && a.name[0] == '-')) out += ' ';
        if (!a.name.empty()) {
          out += a.name;
          out += ' ';
        }
        // what reads back as a bare word goes bare, anything else quoted
        if (!a.name.empty() && isBareValue(a.value)) {
          out += a.value;
        } else {
          appendQuoted(out, a.value);
        }
      }
      out += '>';
      break;
    case TEXT: {
      // Read back, a written text gains the layout that follows it and keeps
      // its quotes: without the trailing blanks, and with no second pair of
      // quotes, a file says the same after every save instead of growing.
      const std::string& content = getValue("content");
      const size_t end = content.find_last_not_of(" \t\r\n");
      const std::string text = end == std::string::npos ? std::string() : content.substr(0, end + 1);
      const bool quoted = text.size() >= 2 && text.front() == '\'' && text.back() == '\'';
      if (!quoted) out += '\'';
      out += text;
      if (!quoted) out += '\'';
      break;
    }
    default:
      throw Exception("XmlTag::write; Unknown tagtype!");
  }
  out += '\n';
}

void XmlTag::write(std::ostream& out, bool allowSelfClose) const {
  std::string text;
  appendTo(text, allowSelfClose);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::ostream& operator<<(std::ostream& out, const XmlTag& tag) {
  tag.write(out, true);
  return out;
}

}  // namespace xml
}  // namespace zelkor
