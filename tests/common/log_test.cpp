#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "zlk_system.h"

namespace {

using kindra_test::splitLines;
using kindra_test::StdoutCapture;
using zelkor::zlk_megasuperlogger;

std::string logged(const char* type, const char* file, const char* function, int line, const char* message) {
  StdoutCapture capture;
  zlk_megasuperlogger(type, "app", file, line, function, "%s", message);
  return capture.finish();
}

TEST(LogBackEnd, PrintsTypeFunctionMessageAndTheFilesNameAndLine) {
  EXPECT_EQ(logged("info", "src/display/dis_display_glfw.cpp", "zelkor::display::DisplayGLFW::close", 12, "closed"),
            "[info][display::DisplayGLFW::close], closed (dis_display_glfw.cpp:12)\n");

  // a message ending in a newline puts the location on its own line
  const std::string out = logged("error", "../include/kin_music", "setup", 38, "No sound device!\n");
  EXPECT_EQ(out, "[error][setup], No sound device!\n (kin_music:38)\n");
  EXPECT_EQ(splitLines(out).size(), 2u);

  // the namespace prefix goes only at the start
  EXPECT_EQ(logged("log", "f", "zelkor::xml::XmlParser::parse", 1, "m"), "[log][xml::XmlParser::parse], m (f:1)\n");
  EXPECT_EQ(logged("log", "f", "a::zelkor::b", 1, "m"), "[log][a::zelkor::b], m (f:1)\n");
  EXPECT_EQ(logged("log", "f", "zelkorfoo", 1, "m"), "[log][zelkorfoo], m (f:1)\n");
  EXPECT_EQ(logged("log", "f", "zelkor:x", 1, "m"), "[log][zelkor:x], m (f:1)\n");
  EXPECT_EQ(logged("log", "f", "", 1, "m"), "[log][], m (f:1)\n");

  // the file name keeps what follows the last separator
  EXPECT_EQ(logged("log", "plain", "f", 7, "m"), "[log][f], m (plain:7)\n");
  EXPECT_EQ(logged("log", "dir/", "f", 7, "m"), "[log][f], m (:7)\n");
  EXPECT_EQ(logged("log", "c:\\src\\x.cpp", "f", 7, "m"), "[log][f], m (x.cpp:7)\n");
  EXPECT_EQ(logged("log", "a/b:c", "f", 7, "m"), "[log][f], m (c:7)\n");

  // a long message keeps 2047 characters
  const std::string message(3000, 'x');
  EXPECT_EQ(logged("log", "f", "g", 1, message.c_str()), "[log][g], " + std::string(2047, 'x') + " (f:1)\n");
}

TEST(FunctionName, StripsReturnTypeAndParameters) {
  using zelkor::zlk_function_name;
  EXPECT_STREQ(zlk_function_name("void zelkor::display::DisplayGLFW::close()"), "zelkor::display::DisplayGLFW::close");
  EXPECT_STREQ(zlk_function_name("zelkor::Exception::Exception(const char*, ...)"), "zelkor::Exception::Exception");
  EXPECT_STREQ(zlk_function_name("std::vector<int, std::allocator<int> > zelkor::f(int)"), "zelkor::f");
  EXPECT_STREQ(zlk_function_name("const char* zelkor::A<B>::name() const"), "zelkor::A<B>::name");
  EXPECT_STREQ(zlk_function_name("bool zelkor::X::operator()(int)"), "zelkor::X::operator()");
  EXPECT_STREQ(zlk_function_name("int main()"), "main");
}

TEST(ExceptionTest, ConstructionLogsOnceWithoutThrowingAndKeepsALiteralMessage) {
  StdoutCapture capture;
  zelkor::Exception e("Could not find the file '%s'.", "a.png");
  const std::string out = capture.finish();
  const auto lines = splitLines(out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("[error][Exception], Could not find the file 'a.png'. (zlk_system:", 0), 0u) << out;
  EXPECT_STREQ(e.what(), "Could not find the file 'a.png'.");

  // a message given as it stands keeps its percent signs
  StdoutCapture verbatim;
  zelkor::Exception literal(std::string("100% done %s %d"));
  const std::string text = verbatim.finish();
  EXPECT_NE(text.find("], 100% done %s %d (zlk_system:"), std::string::npos) << text;
  EXPECT_STREQ(literal.what(), "100% done %s %d");
}

TEST(ExceptionTest, OverlongMessagesAreCutSafely) {
  StdoutCapture capture;
  const std::string huge(20000, 'y');
  zelkor::Exception formatted("%s", huge.c_str());
  EXPECT_EQ(std::string(formatted.what()).size(), zelkor::Exception::MESSAGE_SIZE - 1u);
  zelkor::Exception literal(huge);
  EXPECT_EQ(std::string(literal.what()).size(), 2047u);
  capture.finish();
}

TEST(ExceptionTest, CopiesAndCatchesByReference) {
  StdoutCapture capture;
  try {
    throw zelkor::Exception("code %d", 42);
  } catch (const std::exception& e) {
    const zelkor::Exception copy(*dynamic_cast<const zelkor::Exception*>(&e));
    EXPECT_STREQ(copy.what(), "code 42");
  }
  // one line per construction; copies are silent
  EXPECT_EQ(splitLines(capture.finish()).size(), 1u);
}

}  // namespace
