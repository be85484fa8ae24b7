// The databank file layers against outside tools: files written through the pipeline open in unzip,
// Python's zipfile and openssl as their layers say, and files those tools make open in the pipeline.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "TestSupport.h"

using testsupport::ProbePath;
using testsupport::ReadFile;
using testsupport::RunProcess;
using testsupport::WriteFile;

namespace {

// A databank written by the program itself: CR LF lines, a CDATA title, blanks kept in the code.
const std::string kPlain =
    "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n"
    "<dataroot>\r\n"
    "  <settings>\r\n"
    "    <NextNodeID>4</NextNodeID>\r\n"
    "  </settings>\r\n"
    "  <HighLight>2</HighLight>\r\n"
    "  <folder ID='1' expanded='1'><![CDATA[Snippets <C>]]>\r\n"
    "    <record ID='2'>Hello\r\n"
    "      <data>int main() { return 0; }</data>\r\n"
    "      <comments>first</comments>\r\n"
    "    </record>\r\n"
    "  </folder>\r\n"
    "  <record ID='3'>Caf\xE9\r\n"
    "    <HighLight>7</HighLight>\r\n"
    "    <data>x</data>\r\n"
    "  </record>\r\n"
    "</dataroot>";

const std::string kOutline =
    "F 1 Snippets <C>\n"
    "  R 2 Hello lang=2 data=24 comments=5\n"
    "R 3 Caf\xC3\xA9 lang=7 data=1 comments=0\n"
    "next=4\n";

class DatabankInterop : public testsupport::TempDirTest {
 protected:
  std::string probe = ProbePath("xdbprobe");

  testsupport::ProcessResult Probe(const std::vector<std::string>& args) { return RunProcess(probe, args); }
  std::string Plain() {
    const std::string in = tmp.File("bank.xdb2");
    WriteFile(in, kPlain);
    return in;
  }
  static std::string Python(const std::string& python, const std::string& script, const std::vector<std::string>& args,
                            const std::string& input = "") {
    std::vector<std::string> all{"-c", script};
    all.insert(all.end(), args.begin(), args.end());
    auto r = RunProcess(python, all, input);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }
  static std::string KeyHex(const std::string& python, const std::string& passwordUtf8) {
    return Python(python, "import sys,hashlib;print(hashlib.md5(sys.argv[1].encode('cp1252')).hexdigest(),end='')",
                  {passwordUtf8});
  }
  // openssl over the cipher layer's blocks, cut to the stored length.
  static std::string OpensslDecipher(const std::string& openssl, const std::string& layer, const std::string& key) {
    EXPECT_GE(layer.size(), 4u);
    uint32_t n = 0;
    std::memcpy(&n, layer.data(), 4);
    auto r = RunProcess(openssl, {"enc", "-d", "-aes-128-ecb", "-nopad", "-K", key}, layer.substr(4));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out.substr(0, n);
  }
};

}  // namespace

TEST_F(DatabankInterop, CompressedFileOpensInUnzipAndZipfile) {
  REQUIRE_TOOL(unzip, "unzip");
  REQUIRE_TOOL(python, "python3");
  const std::string in = Plain();
  const std::string out = tmp.File("zipped.xdb2");
  auto r = Probe({"encode", "--compress", in, out});
  ASSERT_EQ(r.exitCode, 0) << r.err;

  auto t = RunProcess(unzip, {"-t", out});
  EXPECT_EQ(t.exitCode, 0) << t.out << t.err;
  EXPECT_NE(t.out.find("No errors detected"), std::string::npos) << t.out;
  auto p = RunProcess(unzip, {"-p", out});
  EXPECT_EQ(p.out, kPlain);

  const std::string info =
      Python(python,
             "import sys,zipfile;z=zipfile.ZipFile(sys.argv[1]);i=z.infolist();"
             "print(len(i),i[0].filename,i[0].compress_type,i[0].compress_size);sys.stdout.flush();"
             "sys.stdout.buffer.write(z.read(i[0]))",
             {out});
  const size_t eol = info.find('\n');
  ASSERT_NE(eol, std::string::npos);
  std::istringstream head(info.substr(0, eol));
  int count = 0, method = 0;
  std::string name;
  size_t compressed = 0;
  head >> count >> name >> method >> compressed;
  EXPECT_EQ(count, 1);
  EXPECT_EQ(name, "bank.xdb2");
  EXPECT_EQ(method, 8);
  EXPECT_EQ(info.substr(eol + 1), kPlain);
  EXPECT_EQ(ReadFile(out).size(), 98 + 2 * name.size() + compressed);

  auto d = Probe({"decode", out});
  ASSERT_EQ(d.exitCode, 0) << d.err;
  EXPECT_EQ(d.out, kPlain);
}

// A databank of 200,000 records is written with its layers' work shared among threads (the cipher's
// blocks, deflate in pieces joined into one stream): compressed, with or without a password, it is a
// zip archive unzip accepts whole, and it decodes to the bytes the same databank has written plain.
TEST_F(DatabankInterop, ADatabankOf200000RecordsSharedAmongThreadsIsOneValidArchive) {
  REQUIRE_TOOL(unzip, "unzip");
  std::string xml = "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n<dataroot>\r\n";
  for (int f = 0, id = 1; f < 400; ++f) {
    xml += "  <folder ID='" + std::to_string(id++) + "'>Folder " + std::to_string(f) + "\r\n";
    for (int r = 0; r < 500; ++r, ++id)
      xml += "    <record ID='" + std::to_string(id) + "'>Snippet " + std::to_string(id) +
             " caf\xE9\r\n      <data><![CDATA[if (node->next) return " + std::to_string(id * 7919 % 100003) +
             ";]]></data>\r\n    </record>\r\n";
    xml += "  </folder>\r\n";
  }
  xml += "</dataroot>";
  const std::string in = tmp.File("large.xdb2");
  WriteFile(in, xml);
  const std::string plain = tmp.File("plain.xdb2");
  ASSERT_EQ(Probe({"encode", in, plain}).exitCode, 0);
  const std::string written = ReadFile(plain);
  ASSERT_GT(written.size(), size_t{16} << 20);  // rounds of pieces on every machine with threads to share them
  for (const std::string password : {"", "pw"}) {
    SCOPED_TRACE("password '" + password + "'");
    const std::string out = tmp.File("large-zipped.xdb2");
    std::vector<std::string> encode{"encode", "--compress", in, out};
    if (!password.empty()) encode.insert(encode.begin() + 1, {"--password", password});
    auto r = Probe(encode);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto t = RunProcess(unzip, {"-t", out});
    EXPECT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_NE(t.out.find("No errors detected"), std::string::npos) << t.out;
    std::vector<std::string> decode{"decode", out};
    if (!password.empty()) decode.insert(decode.begin() + 1, {"--password", password});
    auto d = Probe(decode);
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_TRUE(d.out == written);
  }
}

TEST_F(DatabankInterop, EncipheredFileOpensInOpenssl) {
  REQUIRE_TOOL(openssl, "openssl");
  REQUIRE_TOOL(python, "python3");
  const std::string in = Plain();
  for (const std::string password : {"pw", "caf\xC3\xA9 \xE2\x82\xAC"}) {  // the second: "café €"
    const std::string out = tmp.File("locked.xdb2");
    auto r = Probe({"encode", "--password", password, in, out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string layer = ReadFile(out);
    uint32_t n = 0;
    std::memcpy(&n, layer.data(), 4);
    EXPECT_EQ(n, kPlain.size());
    EXPECT_EQ(layer.size(), 4 + 16 * ((n + 15) / 16));
    EXPECT_EQ(OpensslDecipher(openssl, layer, KeyHex(python, password)), kPlain);

    auto d = Probe({"decode", "--password", password, out});
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_EQ(d.out, kPlain);
  }
}

TEST_F(DatabankInterop, BothLayersNestTheCipherInTheZip) {
  REQUIRE_TOOL(openssl, "openssl");
  REQUIRE_TOOL(python, "python3");
  const std::string in = Plain();
  const std::string out = tmp.File("both.xdb2");
  ASSERT_EQ(Probe({"encode", "--password", "pw", "--compress", in, out}).exitCode, 0);
  const std::string entry = Python(
      python, "import sys,zipfile;z=zipfile.ZipFile(sys.argv[1]);sys.stdout.buffer.write(z.read(z.infolist()[0]))",
      {out});
  EXPECT_EQ(OpensslDecipher(openssl, entry, KeyHex(python, "pw")), kPlain);
  auto o = Probe({"outline", "--password", "pw", out});
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out, kOutline);
}

TEST_F(DatabankInterop, FilesMadeByOutsideToolsOpen) {
  REQUIRE_TOOL(openssl, "openssl");
  REQUIRE_TOOL(python, "python3");
  const std::string plain = Plain();
  // A zip made by Python (deflate).
  const std::string pyzip = tmp.File("py.xdb2");
  Python(python,
         "import sys,zipfile\n"
         "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z: z.write(sys.argv[2],'inner.xdb2')",
         {pyzip, plain});
  auto d = Probe({"decode", pyzip});
  ASSERT_EQ(d.exitCode, 0) << d.err;
  EXPECT_EQ(d.out, kPlain);
  auto o = Probe({"outline", pyzip});
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out, kOutline);

  // A cipher layer made by openssl: the length word, then the zero-padded text enciphered.
  std::string padded = kPlain + std::string((16 - kPlain.size() % 16) % 16, '\0');
  auto e = RunProcess(openssl, {"enc", "-e", "-aes-128-ecb", "-nopad", "-K", KeyHex(python, "sesame")}, padded);
  ASSERT_EQ(e.exitCode, 0) << e.err;
  const uint32_t n = static_cast<uint32_t>(kPlain.size());
  std::string layer(4, '\0');
  std::memcpy(layer.data(), &n, 4);
  layer += e.out;
  const std::string sslFile = tmp.File("ssl.xdb2");
  WriteFile(sslFile, layer);
  auto so = Probe({"outline", "--password", "sesame", sslFile});
  ASSERT_EQ(so.exitCode, 0) << so.err;
  EXPECT_EQ(so.out, kOutline);

  // That layer zipped by Python.
  const std::string both = tmp.File("sslzip.xdb2");
  Python(python,
         "import sys,zipfile\n"
         "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z: z.write(sys.argv[2],'x')",
         {both, sslFile});
  auto bo = Probe({"decode", "--password", "sesame", both});
  ASSERT_EQ(bo.exitCode, 0) << bo.err;
  EXPECT_EQ(bo.out, kPlain);
}

TEST_F(DatabankInterop, FailuresGiveThePipelinesMessages) {
  const std::string random = tmp.File("random.xdb2");
  WriteFile(random, std::string("\x8f\x11\x42\x99 not a databank at all, just bytes"));
  auto d = Probe({"decode", random});
  EXPECT_EQ(d.exitCode, 1);
  EXPECT_EQ(d.err, "The file is not a databank.\n");
  auto o = Probe({"outline", random});
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err, "Could not open DataBank!\nThe file is not a databank: " + random + "\n");
  EXPECT_EQ(o.out, "");
  // Well-formed XML of another kind is no databank either, and is left as it is.
  for (const std::string& xml :
       {std::string("<?xml version=\"1.0\"?>\n<html><body>hi</body></html>\n"),
        std::string("<?xml version='1.0'?>\r\n<dataroots><folder ID='1'>a</folder></dataroots>")}) {
    const std::string other = tmp.File("other.xml");
    WriteFile(other, xml);
    auto x = Probe({"outline", other});
    EXPECT_EQ(x.exitCode, 1);
    EXPECT_EQ(x.err, "Could not open DataBank!\nThe file is not a databank: " + other + "\n");
    EXPECT_EQ(ReadFile(other), xml);
  }

  const std::string empty = tmp.File("empty.xdb2");
  WriteFile(empty, "");
  EXPECT_EQ(Probe({"decode", "--password", "x", empty}).err, "The file is not a databank.\n");
  const std::string broken = tmp.File("broken.xdb2");
  WriteFile(broken, std::string("PK\x03\x04garbage", 11));
  EXPECT_EQ(Probe({"decode", broken}).err, "Could not decompress DataBank!\n");

  // A wrong password shows when the text does not parse; the prompt comes back saying so and is
  // cancelled, which ends the open with one box.
  const std::string locked = tmp.File("locked.xdb2");
  ASSERT_EQ(Probe({"encode", "--password", "right", Plain(), locked}).exitCode, 0);
  auto w = Probe({"outline", "--password", "wrong", locked});
  EXPECT_EQ(w.exitCode, 1);
  EXPECT_EQ(w.err,
            "The password is wrong. Try again.\nCould not open DataBank!\nThe password is wrong, or the file "
            "is damaged: " +
                locked + "\n");

  // A file its reader may not read: one message, the system's reason naming the file.
  if (::geteuid() == 0) {
    REQUIRE_TOOL(setpriv, "setpriv");
    std::filesystem::permissions(tmp.Path(), std::filesystem::perms::all, std::filesystem::perm_options::add);
    const std::string closed = Plain();
    std::filesystem::permissions(closed, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    auto u = RunProcess(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups", probe, "outline", closed});
    EXPECT_EQ(u.exitCode, 1);
    EXPECT_EQ(u.err, "Could not open DataBank!\nCannot open file \"" + closed + "\". Permission denied\n");
  }

  EXPECT_EQ(Probe({}).exitCode, 2);
  EXPECT_EQ(Probe({"decode"}).exitCode, 2);
  EXPECT_EQ(Probe({"encode", "a"}).exitCode, 2);
  EXPECT_EQ(Probe({"outline", "--password"}).exitCode, 2);
  EXPECT_EQ(Probe({"outline", "--bogus", random}).exitCode, 2);
  EXPECT_EQ(Probe({"encode", "--password", "\xE6\x97\xA5", random, tmp.File("o")}).exitCode, 2);
}

// Ten thousand wrong passwords, each told as a wrong password by the probe over the pipeline, on two
// files (enciphered; enciphered and zipped): the prompt comes back saying so after every one (never
// "not a databank", which some wrong keys used to give), the last is cancelled in one box naming the
// file, and the right password after them all opens it.
TEST_F(DatabankInterop, TenThousandWrongPasswordsAreEachWrongPasswords) {
  const int kWrong = 10000;
  std::vector<std::string> wrong = {"outline"};
  for (int i = 0; i < kWrong; ++i) wrong.insert(wrong.end(), {"--password", "w" + std::to_string(i)});
  std::string notes;
  for (int i = 0; i < kWrong; ++i) notes += "The password is wrong. Try again.\n";
  for (bool compress : {false, true}) {
    const std::string file = tmp.File(compress ? "zipped.xdb2" : "locked.xdb2");
    std::vector<std::string> encode = {"encode", "--password", "right"};
    if (compress) encode.push_back("--compress");
    encode.insert(encode.end(), {Plain(), file});
    ASSERT_EQ(Probe(encode).exitCode, 0);
    std::vector<std::string> args = wrong;
    args.push_back(file);
    auto r = Probe(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err ==
                notes + "Could not open DataBank!\nThe password is wrong, or the file is damaged: " + file + "\n")
        << r.err.substr(0, 300) << " ... " << r.err.substr(r.err.size() > 300 ? r.err.size() - 300 : 0);
    args.insert(args.end() - 1, {"--password", "right"});
    auto opened = Probe(args);
    EXPECT_EQ(opened.exitCode, 0);
    EXPECT_EQ(opened.out, kOutline);
    EXPECT_EQ(opened.err, notes);
  }
}

TEST_F(DatabankInterop, EncodeBackupAndOldFormat) {
  const std::string in = Plain();
  const std::string out = tmp.File("out.xdb2");
  ASSERT_EQ(Probe({"encode", in, out}).exitCode, 0);
  EXPECT_EQ(ReadFile(out), kPlain);
  const std::string first = ReadFile(out);
  ASSERT_EQ(Probe({"encode", "--compress", in, out}).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(tmp.File("out.backup")));
  ASSERT_EQ(Probe({"encode", "--backup", in, out}).exitCode, 0);
  EXPECT_EQ(ReadFile(out), first);
  EXPECT_EQ(ReadFile(tmp.File("out.backup")).substr(0, 4), std::string("PK\x03\x04", 4));

  // An old file is converted for the outline, and left as it is on disk.
  const std::string old = tmp.File("old.xdb");
  const std::string oldText =
      "<dataroot><folder ID=\"1\">\"a &lt;b&gt; \"\"q\"\"\"<record ID=\"9\">\"r\"</record></folder></dataroot>";
  WriteFile(old, oldText);
  auto o = Probe({"outline", old});
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out, "F 1 a <b> \"q\"\n  R 9 r lang=0 data=0 comments=0\nnext=10\n");
  EXPECT_EQ(ReadFile(old), oldText);
  EXPECT_FALSE(std::filesystem::exists(tmp.File("old.xdb2")));
}

TEST_F(DatabankInterop, PlainOutputIsWellFormedForXmllint) {
  REQUIRE_TOOL(xmllint, "xmllint");
  const std::string out = tmp.File("lint.xdb2");
  ASSERT_EQ(Probe({"encode", Plain(), out}).exitCode, 0);
  auto r = RunProcess(xmllint, {"--noout", out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  auto c = RunProcess(xmllint, {"--xpath", "count(//record)", out});
  EXPECT_EQ(c.out.substr(0, c.out.find_last_not_of("\n") + 1), "2");
}

// The outline's language is the nearest "HighLight" element, and a folder of many records is listed
// in linear time (the language is not searched again among the folder's children for each record);
// a chain of folders 100,000 deep is indented two blanks a level down to 64 levels, so its outline
// grows with the tree (two blanks a level all the way down would be 10 GB).
TEST_F(DatabankInterop, OutlineInheritsLanguagesAndStaysLinear) {
  constexpr int kRecords = 60000;
  std::string xml =
      "<dataroot><HighLight>3</HighLight>"
      "<folder ID='1'><HighLight>5</HighLight>"
      "<folder ID='2'><record ID='3'>a</record><record ID='4'>b<HighLight>7</HighLight></record></folder>"
      "<folder ID='5'/><record ID='6'>c</record></folder>"
      "<record ID='7'>d</record>"
      "<folder ID='8'>many";
  std::string expected =
      "F 1 \n  F 2 \n    R 3 a lang=5 data=0 comments=0\n    R 4 b lang=7 data=0 comments=0\n"
      "  F 5 \n  R 6 c lang=5 data=0 comments=0\nR 7 d lang=3 data=0 comments=0\nF 8 many\n";
  for (int i = 0; i < kRecords; ++i) {
    const std::string id = std::to_string(100 + i);
    xml += "<record ID='" + id + "'>r</record>";
    expected += "  R " + id + " r lang=9 data=0 comments=0\n";
  }
  // The folder's own language comes after all its records: found only by searching all of them.
  xml += "<HighLight>9</HighLight></folder></dataroot>";
  expected += "next=" + std::to_string(100 + kRecords) + "\n";
  const std::string in = tmp.File("many.xdb2");
  WriteFile(in, xml);
  auto o = RunProcess(probe, {"outline", in}, "", 60);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out, expected);

  constexpr int kDepth = 100000;
  std::string deep = "<dataroot>", deepExpected;
  for (int i = 1; i <= kDepth; ++i) {
    deep += "<folder ID='" + std::to_string(i) + "'>f";
    deepExpected += std::string(static_cast<size_t>(std::min(i - 1, 64)) * 2, ' ') + "F " + std::to_string(i) + " f\n";
  }
  for (int i = 0; i < kDepth; ++i) deep += "</folder>";
  deep += "</dataroot>";
  deepExpected += "next=" + std::to_string(kDepth + 1) + "\n";
  WriteFile(in, deep);
  auto d = RunProcess(probe, {"outline", in}, "", 60);
  ASSERT_EQ(d.exitCode, 0) << d.err.substr(0, 2000);
  EXPECT_TRUE(d.out == deepExpected) << d.out.size() << " bytes, not " << deepExpected.size();
}
