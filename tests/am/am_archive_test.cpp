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

// ---------------------------------------------------------------- handles

struct Probe {
  explicit Probe(int* pDeaths) : deaths(pDeaths) {}
  ~Probe() { ++*deaths; }
  int* deaths;
};
typedef zelkor::am::TSmartPtr<Probe> ProbePtr;

TEST(FileHandle, CopiesShareAndTheLastReleaseFrees) {
  int deaths = 0;
  ProbePtr first(new Probe(&deaths));
  ProbePtr second = first;
  EXPECT_EQ(first.getRefCount(), 2);
  first.release();
  EXPECT_TRUE(first.isNull());
  EXPECT_EQ(deaths, 0);
  EXPECT_EQ(second->deaths, &deaths);
  second.release();
  EXPECT_EQ(deaths, 1);
  second.release();  // releasing an empty handle does nothing
  EXPECT_EQ(deaths, 1);
}

TEST(FileHandle, AssignmentReleasesTheOldRecord) {
  int deaths = 0;
  ProbePtr a(new Probe(&deaths));
  ProbePtr b(new Probe(&deaths));
  ProbePtr c = a;
  a = a;  // sharing the same block: nothing happens
  EXPECT_EQ(a.getRefCount(), 2);
  c = b;
  EXPECT_EQ(a.getRefCount(), 1);
  EXPECT_EQ(b.getRefCount(), 2);
  a = b;
  EXPECT_EQ(deaths, 1);
  Probe* raw = new Probe(&deaths);
  a = raw;  // raw record: attached anew
  EXPECT_EQ(a.getRefCount(), 1);
  a = raw;  // the record it already holds: not freed under our feet
  EXPECT_EQ(deaths, 1);
  a = static_cast<Probe*>(nullptr);
  EXPECT_TRUE(a.isNull());
  EXPECT_EQ(deaths, 2);
  ProbePtr empty(nullptr);
  EXPECT_TRUE(empty.isNull());
}

TEST(FileHandle, BytesOutliveTheFirstHandle) {
  File copy;
  {
    File file = makeFile("a.txt", "hello");
    copy = file;
  }
  EXPECT_EQ(contents(copy), "hello");
  EXPECT_EQ(copy->filename, "a.txt");
  EXPECT_EQ(copy.getRefCount(), 1);
  const FileStructure empty;
  EXPECT_EQ(empty.length, 0);
  EXPECT_EQ(empty.data, nullptr);
}

// ---------------------------------------------------------------- mounting

TEST(Mounting, TypeComesFromSchemeOrExtension) {
  ScratchDir dir("am");
  ArchiveManager manager;
  StdoutCapture capture;
  EXPECT_EQ(manager.addArchive(""), -1);
  EXPECT_EQ(manager.addArchive(dir.file("data")), 0);
  EXPECT_EQ(manager.addArchive(dir.file("Data.ZIP")), 1);
  EXPECT_EQ(manager.addArchive("ZIP://" + dir.file("pack")), 2);
  EXPECT_EQ(manager.addArchive(dir.file("pack.rar")), -1);
  EXPECT_EQ(manager.addArchive("tar://x"), -1);
  EXPECT_EQ(manager.addArchive("zip://"), 3);
  EXPECT_EQ(manager.addArchive("./my.dir/data"), 4);  // a dot before the last separator is no extension
  const std::string out = capture.finish();

  EXPECT_NE(dynamic_cast<ArchiveDirectory*>(manager.getArchive(0)), nullptr);
  EXPECT_NE(dynamic_cast<ArchiveZIP*>(manager.getArchive(1)), nullptr);
  EXPECT_NE(dynamic_cast<ArchiveZIP*>(manager.getArchive(2)), nullptr);
  EXPECT_EQ(manager.getArchive(2)->getArchivePath(), dir.file("pack"));
  auto* bare = dynamic_cast<ArchiveDirectory*>(manager.getArchive(3));
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(bare->getPath(), "zip://");
  EXPECT_NE(dynamic_cast<ArchiveDirectory*>(manager.getArchive(4)), nullptr);
  EXPECT_EQ(manager.getArchiveCount(), 5);
  EXPECT_NE(out.find("[log][am::ArchiveManager::addArchive], Adding zip: " + dir.file("Data.ZIP")),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Adding zip: " + dir.file("pack") + " ("), std::string::npos) << out;
  // the zip files do not exist: mounted anyway, empty, and said so
  EXPECT_NE(out.find("[warning]"), std::string::npos) << out;
  EXPECT_TRUE(manager.readFile("anything", 1).isNull());
}

TEST(Mounting, DirectoryRootGetsOneSeparator) {
  EXPECT_EQ(ArchiveDirectory("data").getPath(), "data/");
  EXPECT_EQ(ArchiveDirectory("data/").getPath(), "data/");
  EXPECT_EQ(ArchiveDirectory("data\\").getPath(), "data\\");
  EXPECT_EQ(ArchiveDirectory("").getPath(), "");

  ScratchDir dir("am");
  fs::create_directory(dir.file("data"));
  writeFile(dir.file("data/a.txt"), "A");
  ArchiveManager manager;
  manager.addArchive(dir.file("data"));
  manager.addArchive(dir.file("data/"));
  EXPECT_EQ(contents(manager.readFile("a.txt", 0)), "A");
  EXPECT_EQ(contents(manager.readFile("a.txt", 1)), "A");
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

TEST_F(MountedArchives, ZipNamesDropOneLeadingDotSlashOrSlash) {
  File file = mManager.readFile("./shaders/a.frag", 1);
  EXPECT_EQ(contents(file), "void main(){}");
  EXPECT_EQ(file->filename, "./shaders/a.frag");
  EXPECT_EQ(contents(mManager.readFile("/shaders/a.frag", 1)), "void main(){}");
  EXPECT_EQ(contents(mManager.readFile("\\shaders/a.frag", 1)), "void main(){}");
  EXPECT_TRUE(mManager.readFile("//shaders/a.frag", 1).isNull());
  // a name that merely starts with a dot keeps it
  EXPECT_EQ(contents(mManager.readFile(".hidden", 1)), "dot");
  File empty = mManager.readFile("empty.bin", 1);
  ASSERT_FALSE(empty.isNull());
  EXPECT_EQ(empty->length, 0);
}

TEST_F(MountedArchives, WritesGoToTheFirstArchiveOrTheOneNamed) {
  EXPECT_TRUE(mManager.writeFile(makeFile("out.txt", "written")));
  EXPECT_EQ(readFile(mDir.file("data/out.txt")), "written");
  EXPECT_FALSE(mManager.writeFile(makeFile("out.txt", "x"), 1));  // zip archives are read-only
  EXPECT_FALSE(mManager.writeFile(makeFile("out.txt", "x"), 5));
  EXPECT_FALSE(mManager.writeFile(File()));
  EXPECT_TRUE(mManager.writeAllToArchive("whatever"));
  mManager.flush();
  mManager.flush(1);
}

TEST(Writing, WithoutArchivesFails) {
  ArchiveManager manager;
  EXPECT_FALSE(manager.writeFile(makeFile("a.txt", "a"), -1));
  EXPECT_TRUE(manager.readFile("a.txt").isNull());
}

// ---------------------------------------------------------------- directories

TEST(DirectoryArchive, WritingCreatesMissingDirectories) {
  ScratchDir dir("am");
  ArchiveDirectory archive(dir.path());
  EXPECT_TRUE(archive.write(makeFile("dump/frames/f.png", "png")));
  EXPECT_TRUE(fs::is_directory(dir.file("dump/frames")));
  EXPECT_EQ(readFile(dir.file("dump/frames/f.png")), "png");
  EXPECT_EQ(contents(archive.read("dump/frames/f.png")), "png");
}

TEST(DirectoryArchive, WritesReplaceWholeFilesAndLeaveNoTemporaries) {
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
}

TEST(DirectoryArchive, FailedWriteKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  ScratchDir dir("am");
  fs::create_directory(dir.file("locked"));
  writeFile(dir.file("locked/a.txt"), "old");
  ::chmod(dir.file("locked").c_str(), 0500);
  ArchiveDirectory archive(dir.path());
  EXPECT_FALSE(archive.write(makeFile("locked/a.txt", "new")));
  EXPECT_EQ(readFile(dir.file("locked/a.txt")), "old");
  EXPECT_FALSE(archive.write(makeFile("locked/sub/b.txt", "new")));
}

TEST(DirectoryArchive, FileInTheWayOfADirectoryFailsTheWrite) {
  ScratchDir dir("am");
  writeFile(dir.file("blocker"), "keep");
  ArchiveDirectory archive(dir.path());
  EXPECT_FALSE(archive.write(makeFile("blocker/a.txt", "x")));
  EXPECT_EQ(readFile(dir.file("blocker")), "keep");
  EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"blocker"});
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

TEST(DirectoryArchive, OnlyRegularFilesAreRead) {
  ScratchDir dir("am");
  fs::create_directory(dir.file("folder"));
  ArchiveDirectory archive(dir.path());
  EXPECT_TRUE(archive.read("folder").isNull());
  EXPECT_TRUE(archive.read("").isNull());
  EXPECT_TRUE(archive.read("missing").isNull());
  writeFile(dir.file("empty"), "");
  File empty = archive.read("empty");
  ASSERT_FALSE(empty.isNull());
  EXPECT_EQ(empty->length, 0);
}

TEST(DirectoryArchive, CreateFullDirectorySkipsLeadingDotParts) {
  ScratchDir dir("am");
  const fs::path previous = fs::current_path();
  fs::create_directory(dir.file("work"));
  fs::current_path(dir.file("work"));
  EXPECT_TRUE(ArchiveDirectory::createFullDirectory("./a/b/file.txt"));
  EXPECT_TRUE(ArchiveDirectory::createFullDirectory("../up/c/file.txt"));
  EXPECT_TRUE(ArchiveDirectory::createFullDirectory("plain"));
  EXPECT_TRUE(ArchiveDirectory::createFullDirectory("./a/b/again.txt"));  // existing ones are fine
  writeFile("a/b/blocker", "");
  EXPECT_FALSE(ArchiveDirectory::createFullDirectory("a/b/blocker/x/file.txt"));
  fs::current_path(previous);
  EXPECT_TRUE(fs::is_directory(dir.file("work/a/b")));
  EXPECT_TRUE(fs::is_directory(dir.file("up/c")));
  EXPECT_FALSE(fs::exists(dir.file("work/plain")));
  EXPECT_FALSE(fs::exists(dir.file("work/a/b/again.txt")));
}

// ---------------------------------------------------------------- damaged zips

class DamagedZip : public ::testing::Test {
 protected:
  // A zip of one stored and one deflated entry, as bytes.
  std::string build() {
    const std::string path = mDir.file("build.zip");
    EXPECT_TRUE(am_test::makeZip(path, {{"stored.txt", mStored, false}, {"packed.txt", mPacked, true}}));
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

  ScratchDir mDir{"am"};
  std::string mStored = "stored entry contents";
  std::string mPacked = std::string(4000, 'z') + "tail";
};

TEST_F(DamagedZip, IntactEntriesRead) {
  const std::string zip = build();
  EXPECT_EQ(contents(read(zip, "stored.txt")), mStored);
  EXPECT_EQ(contents(read(zip, "packed.txt")), mPacked);
  EXPECT_TRUE(read(zip, "absent.txt").isNull());
}

TEST_F(DamagedZip, BadCrcGivesAnEmptyHandle) {
  std::string zip = build();
  zip[zip.find(mStored)] ^= 0x20;
  StdoutCapture capture;
  EXPECT_TRUE(read(zip, "stored.txt").isNull());
  EXPECT_NE(capture.finish().find("Could not read 'stored.txt' from zip"), std::string::npos);
  EXPECT_EQ(contents(read(zip, "packed.txt")), mPacked);
}

TEST_F(DamagedZip, CorruptCompressedDataGivesAnEmptyHandle) {
  std::string zip = build();
  const size_t data = local(zip, "packed.txt") + 30 + std::string("packed.txt").size();
  for (size_t i = data; i < data + 8; ++i) zip[i] = static_cast<char>(0xff);
  StdoutCapture quiet;
  EXPECT_TRUE(read(zip, "packed.txt").isNull());
}

TEST_F(DamagedZip, EntryShorterThanItsSizeGivesAnEmptyHandle) {
  // Both headers claim more bytes than the data inflates to; reading stops
  // early and the CRC is never checked, so only the length can tell.
  std::string zip = build();
  const uint32_t longer = static_cast<uint32_t>(mPacked.size() + 100);
  writeLe32(zip, local(zip, "packed.txt") + 22, longer);
  writeLe32(zip, central(zip, "packed.txt") + 24, longer);
  StdoutCapture capture;
  EXPECT_TRUE(read(zip, "packed.txt").isNull());
  EXPECT_NE(capture.finish().find("entry shorter than its size"), std::string::npos);
}

TEST_F(DamagedZip, ForgedHugeSizeIsRefusedBeforeAllocating) {
  std::string zip = build();
  writeLe32(zip, local(zip, "packed.txt") + 22, 0xfffffff0u);
  writeLe32(zip, central(zip, "packed.txt") + 24, 0xfffffff0u);
  StdoutCapture capture;
  EXPECT_TRUE(read(zip, "packed.txt").isNull());
  EXPECT_NE(capture.finish().find("implausible size"), std::string::npos);
}

TEST_F(DamagedZip, TruncatedZipMountsEmpty) {
  const std::string zip = build();
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

TEST_F(DamagedZip, DataCutAwayUnderAnIntactDirectory) {
  // Remove the middle of the file but keep the central directory: offsets
  // point into the wrong bytes or past the end.
  const std::string zip = build();
  const size_t directory = zip.find("PK\x01\x02");
  std::string cut = zip.substr(0, 40) + zip.substr(directory);
  StdoutCapture quiet;
  EXPECT_TRUE(read(cut, "stored.txt").isNull());
  EXPECT_TRUE(read(cut, "packed.txt").isNull());
}

TEST(ZipArchive, IsReadOnlyAndMissingFilesMountEmpty) {
  ScratchDir dir("am");
  ArchiveZIP missing(dir.file("nothing.zip"));
  EXPECT_FALSE(missing.isOpen());
  EXPECT_TRUE(missing.read("a").isNull());
  EXPECT_FALSE(missing.write(makeFile("a", "a")));
  fs::create_directory(dir.file("folder.zip"));
  EXPECT_FALSE(ArchiveZIP(dir.file("folder.zip")).isOpen());
}

}  // namespace
