// Files that are not what they seem: special files in place of data, links
// in place of the files written back, entries that inflate past the limits,
// and binary bytes quoted in messages.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "am.h"
#include "am_archivedirectory.h"
#include "am_archivezip.h"
#include "am_test_inputs.h"
#include "test_support.h"
#include "xml_parser.h"
#include "zlk_file.h"

namespace {

using zelkor::am::ArchiveDirectory;
using zelkor::am::ArchiveZIP;
using zelkor::am::File;

// Each kind of file that is no regular one; every reader refuses it at once
// (a pipe would block its open for ever) and names it.
TEST(HostileFiles, SpecialFilesAreRefusedWithoutBlocking) {
  kindra_test::ScratchDir dir("kindra-special");
  const std::string fifo = dir.file("pipe.png");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  ASSERT_EQ(mkdir(dir.file("folder.png").c_str(), 0755), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", dir.file("socket.png").c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(symlink("/dev/zero", dir.file("device.png").c_str()), 0);

  ArchiveDirectory archive(dir.path());
  for (const char* name : {"pipe.png", "folder.png", "socket.png", "device.png"}) {
    std::string log;
    kindra_test::thrownMessage([&] { EXPECT_TRUE(archive.read(name).isNull()) << name; }, &log);
    EXPECT_NE(log.find(dir.file(name) + "': not a regular file"), std::string::npos) << log;

    const std::string path = dir.file(name);
    EXPECT_NE(kindra_test::thrownMessage([&] { zelkor::xml::XmlParser().parseFile(path); })
                  .find(path + "' (not a regular file)"),
              std::string::npos);
  }
  std::string log;
  kindra_test::thrownMessage([&] { EXPECT_FALSE(ArchiveZIP(fifo).isOpen()); }, &log);
  EXPECT_NE(log.find("Could not open zip '" + fifo + "': not a regular file"), std::string::npos) << log;
  close(sock);
}

// Writing a link replaces what it points to; the link stays a link, also in
// a chain of relative links.
TEST(HostileFiles, WritesGoThroughSymbolicLinks) {
  kindra_test::ScratchDir dir("kindra-links");
  ASSERT_EQ(mkdir(dir.file("real").c_str(), 0755), 0);
  struct Writer {
    const char* what;
    std::function<void(const std::string& name)> write;
  };
  ArchiveDirectory archive(dir.path());
  zelkor::xml::XmlParser document;
  document.parse(std::string("<demo></demo>"));
  const Writer writers[] = {
      {"archive", [&](const std::string& name) {
         unsigned char* bytes = new unsigned char[7];
         std::memcpy(bytes, "<demo/>", 7);
         EXPECT_TRUE(archive.write(File(new zelkor::am::FileStructure(name, 7, bytes))));
       }},
      {"xml", [&](const std::string& name) { document.writeFile(dir.file(name), "\t"); }},
  };
  for (const Writer& writer : writers) {
    kindra_test::writeFile(dir.file("real/target.xml"), "old");
    unlink(dir.file("middle.xml").c_str());
    unlink(dir.file("setup.xml").c_str());
    ASSERT_EQ(symlink("real/target.xml", dir.file("middle.xml").c_str()), 0);
    ASSERT_EQ(symlink("middle.xml", dir.file("setup.xml").c_str()), 0);
    writer.write("setup.xml");
    struct stat info;
    ASSERT_EQ(lstat(dir.file("setup.xml").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << writer.what << ": the link was replaced";
    EXPECT_NE(kindra_test::readFile(dir.file("real/target.xml")).find("<demo"), std::string::npos) << writer.what;
  }
}

// An entry that inflates past what one file may hold, or past what all held
// files may, is refused before it is inflated, naming archive and entry.
TEST(HostileFiles, ReadsAreBoundedPerFileAndInTotal) {
  kindra_test::ScratchDir dir("kindra-limits");
  const std::string zip = dir.file("pack.zip");
  ASSERT_TRUE(am_test::makeZip(zip, {{"big.bin", std::string(4000, 'z'), true}, {"small.bin", "12345", false}}));
  kindra_test::writeFile(dir.file("big.bin"), std::string(4000, 'd'));
  ArchiveZIP zipArchive(zip);
  ArchiveDirectory directory(dir.path());
  struct Case {
    zelkor::am::ArchiveBase* archive;
    const char* name;
    long long fileLimit, heldLimit;
    bool holdFirst;  // the 4000-byte file is held while reading
    std::string message;
  };
  const Case cases[] = {
      {&zipArchive, "big.bin", 3000, 9000, false,
       "'big.bin' from zip '" + zip + "': it inflates to 4000 bytes, more than the 3000 bytes one file may hold"},
      {&directory, "big.bin", 3000, 9000, false, "'" + dir.file("big.bin") + "': 4000 bytes, more than the 3000 bytes"},
      {&zipArchive, "small.bin", 9000, 4002, true,
       "'small.bin' from zip '" + zip + "': it inflates to 5 bytes, more than fit beside the 4000 bytes"},
  };
  for (const Case& c : cases) {
    zelkor::am::setReadLimits(c.fileLimit, c.heldLimit);
    File held = c.holdFirst ? directory.read("big.bin") : File();
    ASSERT_EQ(held.isNull(), !c.holdFirst);
    std::string log;
    kindra_test::thrownMessage([&] { EXPECT_TRUE(c.archive->read(c.name).isNull()) << c.message; }, &log);
    EXPECT_NE(log.find(c.message), std::string::npos) << log;
    held = File();
    if (c.holdFirst) {
      EXPECT_FALSE(c.archive->read(c.name).isNull()) << "fits once the other is let go";
    }
  }
  zelkor::am::setReadLimits(zelkor::am::kMaxFileBytes, zelkor::am::kMaxHeldBytes);
}

TEST(HostileFiles, QuotedContentIsEscapedAndShortened) {
  const struct {
    std::string text;
    size_t limit;
    std::string quoted;
  } rows[] = {
      {"Z3DF", 80, "Z3DF"},
      {std::string("\x89PNG\r\n\0\x1a", 8), 80, "\\x89PNG\\x0D\\x0A\\x00\\x1A"},
      {"a\\b", 80, "a\\x5Cb"},
      {std::string(3000, '7'), 10, "7777777777... (3000 bytes)"},
  };
  for (const auto& row : rows) EXPECT_EQ(zelkor::zlk_printable(row.text, row.limit), row.quoted);
}

}  // namespace
