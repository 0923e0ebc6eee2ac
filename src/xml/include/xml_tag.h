#pragma once
// One XML tag as read or to be written, and the byte source the reader uses.

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace zelkor {
namespace xml {

// Returned by reference for attributes that are absent.
extern const std::string emptyString;

// Reads bytes from a block in memory (not owned, not terminated) and keeps
// the line and column for error messages. Reading past the end raises "EOF".
class BufferReader {
 public:
  BufferReader(const char* data, size_t length);

  bool isEof(int lookAhead = 0) const;
  char peekChar(int lookAhead = 0) const;
  char readChar();
  void skipChar(int n = 1);
  // Skips space, tab, CR and LF; fails when fewer than `minimum` spaces or tabs were passed.
  void skipWhitespace(int minimum = 0);
  // Letters, digits and the given extra bytes; stops silently at the end.
  std::string readWord(const std::string& extra = std::string());
  // Up to a stop byte, an LF or the end (none consumed); CR dropped, tab widened.
  std::string readLine(const std::string& stops);
  // Up to a stop byte or the end (not consumed); LF kept, CR dropped, tab widened.
  std::string readText(const std::string& stops);

  void rememberPosition();
  int getLine() const { return mLine; }
  int getChar() const { return mChar; }
  int getLineMemory() const { return mLineMemory; }
  int getCharMemory() const { return mCharMemory; }

 private:
  void advance(char c);
  std::string readUntil(const std::string& stops, bool stopAtLineEnd);

  const char* mBuffer;
  size_t mLength;
  size_t mTell;
  int mLine;
  int mLineMemory;
  int mChar;
  int mCharMemory;
};

namespace detail {
class AttributeIndex;
}

class XmlTag {
 public:
  enum { NORMAL = 0, COMMENT = 1, SPECIAL_QUESTION = 2, SPECIAL_EXCLAIM = 3, TEXT = 4 };

  class Argument {
   public:
    Argument() = default;
    Argument(const std::string& pName, const std::string& pValue) : name(pName), value(pValue) {}
    const std::string& getName() const { return name; }
    const std::string& getValue() const { return value; }
    void setName(const std::string& pName) { name = pName; }
    void setValue(const std::string& pValue) { value = pValue; }

    std::string name;
    std::string value;
  };

  XmlTag() = default;
  explicit XmlTag(const std::string& pName) : name(pName) {}

  int getType() const { return tagType; }
  void setTagType(int type) { tagType = type; }
  const std::string& getName() const { return name; }
  void setName(const std::string& pName) { name = pName; }
  bool getClosed() const { return closed; }
  void setClosed(bool pClosed) { closed = pClosed; }
  const std::vector<Argument>& getArg() const { return arg; }
  std::vector<Argument>& getArg() { return arg; }
  void setTag(const XmlTag& other) { *this = other; }
  void clear();

  // Value of the first attribute with that name, else emptyString.
  const std::string& getValue(const std::string& pName) const;
  // An attribute whose value is empty counts as absent.
  bool hasValue(const std::string& pName) const;
  int getValueInt(const std::string& pName) const;
  float getValueFloat(const std::string& pName) const;
  double getValueDouble(const std::string& pName) const;

  // Replaces the value of an existing attribute, else appends one.
  void setValue(const std::string& pName, const std::string& value);
  void setValue(const std::string& pName, double value);  // "%.6g"
  void setValue(const std::string& pName, int value);     // "%0d"
  void setValueInt(const std::string& pName, int value);
  void setValueFloat(const std::string& pName, double value);

  // Reads one tag of any kind.
  void parse(BufferReader& reader);
  // Prints the tag and a line end; `allowSelfClose` permits "<name/>".
  void write(std::ostream& out, bool allowSelfClose) const;
  // Appends what write() prints.
  void appendTo(std::string& out, bool allowSelfClose) const;

 private:
  void parseNormal(BufferReader& reader);
  void parseComment(BufferReader& reader);
  void parseText(BufferReader& reader);
  void parseQuestion(BufferReader& reader);
  void parseExclaim(BufferReader& reader);
  void parseAttribute(BufferReader& reader, bool requireEquals, detail::AttributeIndex& index);
  void appendArguments(std::string& out) const;

  int tagType = NORMAL;
  bool closed = true;
  std::string name;
  std::vector<Argument> arg;
};

std::ostream& operator<<(std::ostream& out, const XmlTag& tag);

}  // namespace xml
}  // namespace zelkor
