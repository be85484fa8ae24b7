// The xmlprobe command line: its outputs and exit codes, and that hostile input neither crashes nor
// hangs it.
#include <gtest/gtest.h>

#include "TestSupport.h"

using testsupport::ProbePath;
using testsupport::ReadFile;
using testsupport::RunProcess;
using testsupport::TempDirTest;
using testsupport::WriteFile;

namespace {
const std::string kDecl = "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n";
}

class XmlProbe : public TempDirTest {
 protected:
  testsupport::ProcessResult Probe(const std::vector<std::string>& args) {
    return RunProcess(ProbePath("xmlprobe"), args, "", 120);
  }
};

TEST_F(XmlProbe, ParsePrintsTheDocumentOrTheReport) {
  const std::string in = tmp.File("in.xml");
  WriteFile(in, "<a>  x  <b/>  y  </a>");
  auto r = Probe({"parse", in});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, kDecl + "<a>x\r\n  <b/>\r\n</a>");

  WriteFile(in, "<a x = 'y'/>");
  r = Probe({"parse", in});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out.rfind("missing value delimiter when parsing attributes near ", 0), 0u);

  // Raw bytes in, raw bytes out.
  WriteFile(in, "<a>\xE9\x80\xE2\x86\x92</a>");
  r = Probe({"parse", in});
  EXPECT_EQ(r.out, kDecl + "<a>\xE9\x80\xE2\x86\x92</a>");

  r = Probe({"parse", tmp.File("missing.xml")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_FALSE(r.err.empty());
  EXPECT_EQ(Probe({"bogus"}).exitCode, 2);
  EXPECT_EQ(Probe({"parse"}).exitCode, 2);
}

TEST_F(XmlProbe, StoreAndGet) {
  const std::string in = tmp.File("in.xdb");
  const std::string out = tmp.File("out.xdb");
  WriteFile(in,
            "<?xml version='1.0' encoding='ISO-8859-1'?><dataroot><S><posLeft>20</posLeft><t>caf\xE9</t></S>"
            "<w>\xE2\x86\x92</w></dataroot>");
  auto r = Probe({"store", in, out});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  // Read as Windows-1252, the arrow bytes are three characters that all fit it: written back alike.
  EXPECT_EQ(ReadFile(out), kDecl +
                               "<dataroot>\r\n  <S>\r\n    <posLeft>20</posLeft>\r\n    <t>caf\xE9</t>\r\n  </S>\r\n"
                               "  <w>\xE2\x86\x92</w>\r\n</dataroot>");
  r = Probe({"get", out, "S\\posLeft"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "20\n");
  r = Probe({"get", out, "S\\t"});
  EXPECT_EQ(r.out, "caf\xC3\xA9\n");
  r = Probe({"get", out, "S\\none"});
  EXPECT_EQ(r.out, "\n");

  // A text outside Windows-1252 makes a UTF-8 file that keeps it.
  WriteFile(in, "<?xml version='1.0' encoding='UTF-8'?><dataroot><w>\xE2\x86\x92 \xCF\x80 \xE4\xB8\xAD</w></dataroot>");
  r = Probe({"store", in, out});
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadFile(out),
            "<?xml version='1.0' encoding='UTF-8' ?>\r\n<dataroot>\r\n  <w>\xE2\x86\x92 \xCF\x80 \xE4\xB8\xAD"
            "</w>\r\n</dataroot>");
  EXPECT_EQ(Probe({"get", out, "w"}).out, "\xE2\x86\x92 \xCF\x80 \xE4\xB8\xAD\n");

  WriteFile(in, "<dataroot><cut>");
  r = Probe({"store", in, out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Expected < when parsing text"), std::string::npos);
  r = Probe({"store", tmp.File("missing.xdb"), out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("missing.xdb"), std::string::npos);
}

TEST_F(XmlProbe, HostileInputsEndQuickly) {
  const std::string in = tmp.File("deep.xml");
  std::string deep;
  for (int i = 0; i < 300000; ++i) deep += "<a>";
  WriteFile(in, deep);
  auto r = Probe({"parse", in});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_LT(r.out.size(), (1u << 20) + 200);

  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += "<n>";
  for (int i = 0; i < 100000; ++i) nested += "</n>";
  WriteFile(in, nested);
  r = Probe({"get", in, "n\\n\\n"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "\n");
}
