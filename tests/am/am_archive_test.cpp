#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "am.h"
#include "am_archivedirectory.h"
#include "am_archivezip.h"
#include "am_test_inputs.h"
#include "test_support.h"
#include "zlk_system.h"

namespace {

namespace fs = std::filesystem;
using kindra_test::readFile;
using kindra_test::ScratchDir;
using kindra_test::StdoutCapture;
using kindra_test::writeFile;
using zelkor::am::ArchiveDirectory;
using zelkor::am::ArchiveManager;
using zelkor::am::ArchiveZIP;
using zelkor::am::File;
using zelkor::am::FileStructure;
using am_test::writeLe32;

std::string contents(const File& file) {
  if (file.isNull()) return "<null>";
  return std::string(reinterpret_cast<const char*>(file->data), static_cast<size_t>(file->length));
}

File makeFile(const std::string& name, const std::string& bytes) {
  unsigned char* data = new unsigned char[bytes.size()];
  std::copy(bytes.begin(), bytes.end(), data);
  return File(new FileStructure(name, static_cast<long>(bytes.size()), data));
}

std::vector<std::string> listDir(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// ---------------------------------------------------------------- lookup

class MountedArchives : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(mDir.file("data"));
    writeFile(mDir.file("data/both.txt"), "from directory");
    writeFile(mDir.file("data/dironly.txt"), "directory only");
    ASSERT_TRUE(am_test::makeZip(mDir.file("pack.zip"), {{"both.txt", "from zip", true},
                                                          {"shaders/a.frag", "void main(){}", true},
                                                          {".hidden", "dot", false},
                                                          {"empty.bin", "", true}}));
    StdoutCapture quiet;
    ASSERT_EQ(mManager.addArchive(mDir.file("data")), 0);
    ASSERT_EQ(mManager.addArchive(mDir.file("pack.zip")), 1);
  }

  ScratchDir mDir{"am"};
  ArchiveManager mManager;
};

TEST_F(MountedArchives, EarlierArchivesHideLaterOnes) {
  EXPECT_EQ(contents(mManager.readFile("both.txt")), "from directory");
  EXPECT_EQ(contents(mManager.readFile("both.txt", 1)), "from zip");
  EXPECT_EQ(contents(mManager.readFile("dironly.txt")), "directory only");
  EXPECT_TRUE(mManager.readFile("dironly.txt", 1).isNull());
  EXPECT_EQ(contents(mManager.readFile("shaders/a.frag")), "void main(){}");
  EXPECT_TRUE(mManager.readFile("missing.txt").isNull());
  EXPECT_TRUE(mManager.readFile("both.txt", 7).isNull());  // no such archive
}

// ---------------------------------------------------------------- directories

TEST(DirectoryArchive, WritesReplaceWholeFilesCreateDirectoriesAndLeaveNoTemporaries) {
  ScratchDir dir("am");
  ArchiveDirectory archive(dir.path());
  writeFile(dir.file("script.xml"), std::string(1000, 'o'));
  ::chmod(dir.file("script.xml").c_str(), 0640);
  EXPECT_TRUE(archive.write(makeFile("script.xml", "new")));
  EXPECT_EQ(readFile(dir.file("script.xml")), "new");
  EXPECT_EQ(fs::status(dir.file("script.xml")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_TRUE(archive.write(makeFile("zero.bin", "")));
  EXPECT_EQ(fs::file_size(dir.file("zero.bin")), 0u);
  EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"script.xml", "zero.bin"}));

  // a directory stands where the file should go: the write fails cleanly
  fs::create_directory(dir.file("taken"));
  EXPECT_FALSE(archive.write(makeFile("taken", "x")));
  EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"script.xml", "taken", "zero.bin"}));

  // missing directories are created
  EXPECT_TRUE(archive.write(makeFile("dump/frames/f.png", "png")));
  EXPECT_TRUE(fs::is_directory(dir.file("dump/frames")));
  EXPECT_EQ(readFile(dir.file("dump/frames/f.png")), "png");
  EXPECT_EQ(contents(archive.read("dump/frames/f.png")), "png");
}

TEST(DirectoryArchive, NamesNeverLeaveTheRoot) {
  ScratchDir dir("am");
  fs::create_directories(dir.file("root/sub"));
  writeFile(dir.file("secret.txt"), "secret");
  writeFile(dir.file("root/inside.txt"), "inside");
  ArchiveDirectory archive(dir.file("root"));
  StdoutCapture capture;
  EXPECT_TRUE(archive.read("../secret.txt").isNull());
  EXPECT_TRUE(archive.read("sub/../../secret.txt").isNull());
  EXPECT_TRUE(archive.read("sub\\..\\..\\secret.txt").isNull());
  EXPECT_TRUE(archive.read("./../secret.txt").isNull());
  EXPECT_FALSE(archive.write(makeFile("../escaped.txt", "x")));
  EXPECT_FALSE(archive.write(makeFile("a/../../escaped.txt", "x")));
  EXPECT_FALSE(fs::exists(dir.file("escaped.txt")));
  const std::string out = capture.finish();
  EXPECT_NE(out.find("'../secret.txt' is outside the archive"), std::string::npos) << out;

  // ".." that stays inside, dots in names, and absolute names are relative to the root
  EXPECT_EQ(contents(archive.read("sub/../inside.txt")), "inside");
  EXPECT_EQ(contents(archive.read("./inside.txt")), "inside");
  EXPECT_EQ(contents(archive.read("/inside.txt")), "inside");
  EXPECT_TRUE(archive.read(dir.file("secret.txt")).isNull());
  EXPECT_TRUE(archive.write(makeFile("/abs.txt", "abs")));
  EXPECT_EQ(readFile(dir.file("root/abs.txt")), "abs");
  EXPECT_TRUE(archive.write(makeFile("..data", "dots")));
  EXPECT_EQ(readFile(dir.file("root/..data")), "dots");

  // even a root of "" (the working directory) keeps absolute names inside it
  ArchiveDirectory cwd("");
  writeFile(dir.file("root/abs.txt"), "abs");
  EXPECT_TRUE(cwd.read(dir.file("root/abs.txt")).isNull());
}

// ---------------------------------------------------------------- damaged zips

class DamagedZip : public ::testing::Test {
 protected:
  // A zip of one stored and one deflated entry, as bytes.
  std::string build() {
    const std::string path = mDir.file("build.zip");
    EXPECT_TRUE(am_test::makeZip(path, {{"stored.txt", kStored, false}, {"packed.txt", kPacked, true}}));
    return readFile(path);
  }
  File read(const std::string& bytes, const std::string& name) {
    const std::string path = mDir.file("damaged.zip");
    writeFile(path, bytes);
    ArchiveZIP zip(path);
    return zip.read(name);
  }
  // Offsets of an entry's local header and central directory record.
  static size_t local(const std::string& zip, const std::string& name) { return zip.find(name) - 30; }
  static size_t central(const std::string& zip, const std::string& name) {
    return zip.find(name, zip.find("PK\x01\x02")) - 46;
  }

  // Both headers' size of an entry.
  static void setSize(std::string& zip, const std::string& name, uint32_t size) {
    writeLe32(zip, local(zip, name) + 22, size);
    writeLe32(zip, central(zip, name) + 24, size);
  }

  ScratchDir mDir{"am"};
  static inline const std::string kStored = "stored entry contents";
  static inline const std::string kPacked = std::string(4000, 'z') + "tail";
};

TEST_F(DamagedZip, DamagedEntriesGiveEmptyHandles) {
  struct Case {
    const char* name;
    void (*damage)(std::string& zip);
    const char* entry;
    const char* logged;      // "" for no check
    const char* stillReads;  // the other entry, unharmed; "" for none
  };
  const Case cases[] = {
      {"bad checksum", [](std::string& zip) { zip[zip.find(kStored)] ^= 0x20; }, "stored.txt",
       "Could not read 'stored.txt' from zip", "packed.txt"},
      {"corrupt compressed data",
       [](std::string& zip) {
         const size_t data = local(zip, "packed.txt") + 30 + std::string("packed.txt").size();
         for (size_t i = data; i < data + 8; ++i) zip[i] = static_cast<char>(0xff);
       },
       "packed.txt", "", ""},
      // both headers claim more than the data inflates to: reading stops early
      // and the checksum is never checked, so only the length can tell
      {"entry shorter than its size",
       [](std::string& zip) { setSize(zip, "packed.txt", static_cast<uint32_t>(kPacked.size() + 100)); },
       "packed.txt", "entry shorter than its size", ""},
      {"forged huge size refused before allocating",
       [](std::string& zip) { setSize(zip, "packed.txt", 0xfffffff0u); }, "packed.txt", "implausible size", ""},
      // the middle cut away under an intact directory: offsets point into
      // the wrong bytes or past the end
      {"stored data cut away", [](std::string& zip) { zip = zip.substr(0, 40) + zip.substr(zip.find("PK\x01\x02")); },
       "stored.txt", "", ""},
      {"packed data cut away", [](std::string& zip) { zip = zip.substr(0, 40) + zip.substr(zip.find("PK\x01\x02")); },
       "packed.txt", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string zip = build();
    c.damage(zip);
    StdoutCapture capture;
    EXPECT_TRUE(read(zip, c.entry).isNull());
    EXPECT_NE(capture.finish().find(c.logged), std::string::npos);
    if (*c.stillReads) {
      EXPECT_EQ(contents(read(zip, c.stillReads)), kPacked);
    }
  }
}

TEST_F(DamagedZip, IntactEntriesReadAndATruncatedZipMountsEmpty) {
  const std::string zip = build();
  EXPECT_EQ(contents(read(zip, "stored.txt")), kStored);
  EXPECT_EQ(contents(read(zip, "packed.txt")), kPacked);
  EXPECT_TRUE(read(zip, "absent.txt").isNull());
  for (size_t keep : {size_t(0), size_t(10), zip.size() / 2, zip.size() - 10}) {
    SCOPED_TRACE(keep);
    EXPECT_TRUE(read(zip.substr(0, keep), "stored.txt").isNull());
    EXPECT_TRUE(read(zip.substr(0, keep), "packed.txt").isNull());
  }
  const std::string path = mDir.file("cut.zip");
  writeFile(path, zip.substr(0, zip.size() / 2));
  ArchiveManager manager;
  StdoutCapture capture;
  EXPECT_EQ(manager.addArchive(path), 0);
  EXPECT_NE(capture.finish().find("[warning][am::ArchiveManager::addArchive], Could not open zip: " + path),
            std::string::npos);
  EXPECT_TRUE(manager.readFile("stored.txt").isNull());
}

}  // namespace
