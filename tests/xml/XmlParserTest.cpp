// The document model: writer layout, parser rules and error reports, tree operations, and the
// behaviour on hostile input (deep nesting, huge texts, many siblings and attributes).
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "FaultInjection.h"
#include "platform/SharedWork.h"
#include "xml/uXMLTools2.h"
#include "xml/xevXMLParser2.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();  // the sanitizer's allocator
#endif
// ThreadSanitizer's allocator leaves the C library's count at 0 and keeps none of its own by the
// allocation: the tests that weigh memory skip under it.
#if defined(__SANITIZE_THREAD__)
#define SKIP_WHERE_ALLOCATIONS_ARE_NOT_COUNTED() GTEST_SKIP() << "no allocation count under ThreadSanitizer"
#else
#define SKIP_WHERE_ALLOCATIONS_ARE_NOT_COUNTED() static_cast<void>(0)
#endif

namespace {

const std::string kDecl = "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n";

std::string RoundTrip(const std::string& text) {
  TxevXMLParser2 doc;
  EXPECT_TRUE(doc.LoadXML(text)) << doc.LastError();
  return doc.GetXML();
}

// The error text of a report: everything before " near ".
std::string ErrorText(const TxevXMLParser2& doc) {
  const std::string& e = doc.LastError();
  size_t near = e.find(" near ");
  return near == std::string::npos ? e : e.substr(0, near);
}

// Bytes the program holds from the allocator now (the sanitizer's own allocator when it runs).
std::int64_t AllocatedBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return static_cast<std::int64_t>(__sanitizer_get_current_allocated_bytes());
#else
  const struct mallinfo2 info = mallinfo2();
  return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
#endif
}

std::string Body(const TxevXMLParser2& doc) {
  std::string out;
  doc.WriteXML(out, &doc, false);
  return out;
}

std::string FrozenBody(const TxevXMLFrozen2& frozen) {
  std::string out;
  frozen.WriteXML(out);
  return out;
}

double Seconds(const std::function<void()>& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

TEST(XmlWriter, DatabankExampleIsByteExact) {
  TxevXMLParser2 doc;
  doc.SetName("dataroot");
  doc.AddChild("settings")->AddChild("NextNodeID")->SetText("5");
  doc.AddChild("lists");
  EXPECT_EQ(doc.GetXML(), kDecl +
                              "<dataroot>\r\n  <settings>\r\n    <NextNodeID>5</NextNodeID>\r\n  </settings>\r\n"
                              "  <lists/>\r\n</dataroot>");
}

TEST(XmlWriter, QuotesCDataAndNodeXml) {
  TxevXMLParser2 doc;
  doc.SetName("a");
  doc.SetAttribute("b", "x");
  doc.SetAttribute("c", "it's");
  EXPECT_EQ(doc.GetXML(), kDecl + "<a b='x' c=\"it's\"/>");

  TxevXMLNode2* gt = doc.AddChild("g");
  gt->SetText("a > b");
  EXPECT_TRUE(gt->CDATA());
  EXPECT_EQ(doc.GetNodeXML(gt), "<g><![CDATA[a > b]]></g>");
  gt->SetText("plain & raw \xE9");
  EXPECT_FALSE(gt->CDATA());
  EXPECT_EQ(doc.GetNodeXML(gt), "<g>plain & raw \xE9</g>");
  EXPECT_EQ(doc.GetNodeXML(nullptr), "");

  // A node with text and children: the text right after the start tag, CDATA when flagged.
  doc.SetText("if (a<b)");
  EXPECT_EQ(doc.GetXML(), kDecl + "<a b='x' c=\"it's\"><![CDATA[if (a<b)]]>\r\n  <g>plain & raw \xE9</g>\r\n</a>");

  // A parentless node gets the declaration; the declaration's own values are used when set.
  doc.DeclarationNode()->SetAttribute("encoding", "UTF-8");
  TxevXMLNode2 loose;
  loose.SetName("x");
  EXPECT_EQ(doc.GetNodeXML(&loose), "<?xml version='1.0' encoding='UTF-8' ?>\r\n<x/>");
}

TEST(XmlParser, EdgeCasesOfTheFormat) {
  EXPECT_EQ(RoundTrip("<a>  x  <b/>  y  </a>"), kDecl + "<a>x\r\n  <b/>\r\n</a>");
  EXPECT_EQ(RoundTrip("<a>x &amp; y</a>"), kDecl + "<a>x &amp; y</a>");
  EXPECT_EQ(RoundTrip("<a><![CDATA[abc]]></a>"), kDecl + "<a>abc</a>");
  EXPECT_EQ(RoundTrip("<a b='x' c=\"it's\"/>"), kDecl + "<a b='x' c=\"it's\"/>");
  // Mismatched closing tags are accepted as they come.
  EXPECT_EQ(RoundTrip("<a><b></a></b>"), kDecl + "<a>\r\n  <b/>\r\n</a>");
  // The declaration is written back with single quotes and the defaults filled in.
  EXPECT_EQ(RoundTrip("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>"),
            "<?xml version='1.0' encoding='UTF-8' ?>\r\n<r/>");
  EXPECT_EQ(RoundTrip("<?xml?><r/>"), kDecl + "<r/>");
  // Everything after the top element is ignored.
  EXPECT_EQ(RoundTrip("<r/><s>junk"), kDecl + "<r/>");
  // A name ends only at a blank; a prefix is kept from the name.
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML("<ns:r\tx/>"));
  EXPECT_EQ(doc.Name(), "ns:r\tx");
  EXPECT_EQ(doc.Prefix(), "ns");
}

TEST(XmlParser, TextsAreTrimmedAndCDataFlagRecomputed) {
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML("<a><![CDATA[ if (x<y) ]]></a>"));
  EXPECT_EQ(doc.Text(), "if (x<y)");
  EXPECT_TRUE(doc.CDATA());
  ASSERT_TRUE(doc.LoadXML("<a>\r\n\t text\x01 \r\n<b>lost</b>lost too<c/></a>"));
  EXPECT_EQ(doc.Text(), "text");
  ASSERT_EQ(doc.Children().Count(), 2);
  EXPECT_EQ(doc.Children()[0]->Text(), "lost");
  // Text in front of a CDATA section is dropped; bytes above 127 are not blanks.
  ASSERT_TRUE(doc.LoadXML("<a>front<![CDATA[\xA0kept\xA0]]></a>"));
  EXPECT_EQ(doc.Text(), "\xA0kept\xA0");
}

TEST(XmlParser, ErrorTextsAndReport) {
  TxevXMLParser2 doc;
  EXPECT_FALSE(doc.LoadXML(""));
  EXPECT_EQ(ErrorText(doc), "Missing <");
  EXPECT_EQ(doc.LastError(), "Missing < near \r\nError position=0\r\n" + kDecl + "</>");

  EXPECT_FALSE(doc.LoadXML("<a x = 'y'/>"));
  EXPECT_EQ(doc.LastError().rfind("missing value delimiter when parsing attributes near ", 0), 0u);
  EXPECT_FALSE(doc.LoadXML("<a x='y/>"));
  EXPECT_EQ(ErrorText(doc), "Expected closing ' when parsing attributes");
  EXPECT_FALSE(doc.LoadXML("<a x=\"y/>"));
  EXPECT_EQ(ErrorText(doc), "Expected closing \" when parsing attributes");
  EXPECT_FALSE(doc.LoadXML("<a x/>"));
  EXPECT_EQ(ErrorText(doc), "missing = when parsing attributes");
  EXPECT_FALSE(doc.LoadXML("<a"));
  EXPECT_EQ(ErrorText(doc), "Missing >");
  EXPECT_FALSE(doc.LoadXML("<a>text"));
  EXPECT_EQ(ErrorText(doc), "Expected < when parsing text");
  EXPECT_FALSE(doc.LoadXML("<a><![CDATA[abc"));
  EXPECT_EQ(ErrorText(doc), "Expected ]]> when parsing CDATA section");
  EXPECT_NE(doc.LastError().find("Error position=13\r\n"), std::string::npos);  // just after "<![CDATA["
  EXPECT_FALSE(doc.LoadXML("<?xml version='1.0' <a/>"));
  EXPECT_EQ(doc.LastError(), "Missing ?> in xml declaration.");
  // An attribute error inside the declaration gets the full report.
  EXPECT_FALSE(doc.LoadXML("<?xml version ?><a/>"));
  EXPECT_EQ(ErrorText(doc), "missing = when parsing attributes");
  // A first tag that closes: an error, not a crash.
  EXPECT_FALSE(doc.LoadXML("</a>"));
  EXPECT_FALSE(doc.LastError().empty());
  // Comments are ordinary tags and end in an error.
  EXPECT_FALSE(doc.LoadXML("<!-- c --><a/>"));
  EXPECT_EQ(ErrorText(doc), "missing = when parsing attributes");
  // The summary for people: the reason at the reported place, as line and column.
  const std::pair<std::string, std::string> places[] = {
      {"", "XML error at line 1, column 1: Missing <"},
      {"<a>\r\n<b x='1\n'>\r\n  <c y/>", "XML error at line 4, column 9: missing = when parsing attributes"},
      {"<a>\n\n<![CDATA[abc", "XML error at line 3, column 10: Expected ]]> when parsing CDATA section"},
      {"\n <?xml version='1.0' <a/>", "XML error at line 2, column 2: Missing ?> in xml declaration."},
  };
  for (const auto& [text, summary] : places) {
    EXPECT_FALSE(doc.LoadXML(text));
    EXPECT_EQ(doc.ErrorSummary(), summary) << text;
  }
  // A later successful parse empties the report.
  EXPECT_TRUE(doc.LoadXML("<a/>"));
  EXPECT_EQ(doc.LastError(), "");
  EXPECT_EQ(doc.ErrorSummary(), "");
}

TEST(XmlParser, ReportWindowAndPartialTree) {
  TxevXMLParser2 doc;
  std::string text = "<root><first>1</first><second>2</second><bad x=y/></root>";
  EXPECT_FALSE(doc.LoadXML(text));
  size_t gt = text.find("y/>") + 3;  // the cursor stands just past the bad tag
  std::string expectedWindow = text.substr(gt + 1 - 21, 50);
  EXPECT_EQ(doc.LastError(), "missing value delimiter when parsing attributes near " + expectedWindow +
                                 "\r\nError position=" + std::to_string(gt + 1) + "\r\n" + kDecl +
                                 "<root>\r\n  <first>1</first>\r\n  <second>2</second>\r\n  <bad/>\r\n</root>");
  // The partial tree stays.
  EXPECT_EQ(doc.Children().Count(), 3);
}

TEST(XmlParser, RecordTextWithCDataEndSurvives) {
  TxevXMLParser2 doc;
  doc.SetName("r");
  const std::string code = "if (a[b[0]]>1) x = \"<]]>\"; // ]]>]]>";
  doc.AddChild("code")->SetText(code);
  std::string xml = doc.GetXML();
  EXPECT_NE(xml.find("]]]]><![CDATA[>"), std::string::npos);
  TxevXMLParser2 back;
  ASSERT_TRUE(back.LoadXML(xml)) << back.LastError();
  EXPECT_EQ(back.GetChildText("code"), code);
  EXPECT_EQ(back.GetXML(), xml);
  // Files without "]]>" are written as before: one section.
  doc.FindNode("code")->SetText("a<b");
  EXPECT_EQ(doc.GetNodeXML(doc.FindNode("code")), "<code><![CDATA[a<b]]></code>");
}

TEST(XmlParser, LeadingAndTrailingBlanksOfStoredTextsSurvive) {
  TxevXMLParser2 doc;
  doc.SetName("r");
  doc.SetAttribute("id", "1");
  const std::string code = "    indented();\r\n  if (x) {\r\n  }\r\n\r\n";
  TxevXMLNode2* n = doc.AddChild("code");
  n->SetText(code);
  n->SetAttribute("k", "v");
  doc.AddChild("space")->SetText(" ");
  doc.AddChild("plain")->SetText("no blanks");
  std::string xml = doc.GetXML();
  EXPECT_NE(xml.find("<code k='v' xml:space='preserve'><![CDATA[    indented();"), std::string::npos);
  EXPECT_NE(xml.find("<plain>no blanks</plain>"), std::string::npos);
  TxevXMLParser2 back;
  ASSERT_TRUE(back.LoadXML(xml)) << back.LastError();
  EXPECT_EQ(back.GetChildText("code"), code);
  EXPECT_EQ(back.GetChildText("space"), " ");
  // The marker is not data: it is not added to the node, and writing adds it once again.
  EXPECT_EQ(back.FindNode("code")->Attributes().Count(), 1);
  EXPECT_EQ(back.GetXML(), xml);
  // Plain text of an element carrying the marker is still trimmed; files without it read as before.
  ASSERT_TRUE(back.LoadXML("<a xml:space='preserve'>  x  </a>"));
  EXPECT_EQ(back.Text(), "x");
  EXPECT_EQ(back.Attributes().Count(), 0);
}

TEST(XmlParser, ParseNodeXmlFillsTheGivenNode) {
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML("<root><a keep='1'><old/></a><b/></root>"));
  TxevXMLNode2* a = doc.FindNode("a");
  ASSERT_TRUE(doc.ParseNodeXML(a, "<x keep='2' new='3'>t<c/><d>e</d></x><ignored/>"));
  EXPECT_EQ(a->Name(), "x");
  EXPECT_EQ(a->GetAttribute("keep"), "2");
  EXPECT_EQ(a->GetAttribute("new"), "3");
  EXPECT_EQ(a->Text(), "t");
  ASSERT_EQ(a->Children().Count(), 2);
  EXPECT_EQ(a->Children()[1]->Text(), "e");
  EXPECT_EQ(doc.Children().Count(), 2);  // the sibling b is untouched
  EXPECT_FALSE(doc.ParseNodeXML(nullptr, "<a/>"));
  EXPECT_EQ(doc.LastError(), "Invalid parameter pNode");
  // A text that starts by closing does not touch anything outside the target.
  EXPECT_FALSE(doc.ParseNodeXML(a, "</x></root>"));
  EXPECT_EQ(doc.Children().Count(), 2);
  EXPECT_EQ(doc.Name(), "root");
}

// The document frozen for writing is written as the document was when it was frozen, whatever is
// edited afterwards, and byte for byte as the document's own writer writes it.
TEST(XmlTree, FrozenDocumentWritesWhatItWasGiven) {
  auto body = [](const TxevXMLParser2& doc) {
    std::string out;
    doc.WriteXML(out, &doc, false);
    return out;
  };
  auto frozenBody = [](const TxevXMLFrozen2& frozen) {
    std::string out;
    frozen.WriteXML(out);
    return out;
  };
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML(
      "<?xml version='1.1' encoding='ISO-8859-1'?>"
      "<r a='1' q=\"it's\">top<x k='v'>text<y xml:space='preserve'> blank </y><e/></x><z><![CDATA[a<b]]></z></r>"));
  doc.FindNode("z")->SetText("a<b]]>c");
  // Enough top-level elements for the work to be shared out between threads, in their order, of
  // different depths and with the last one ending deeper than the next begins.
  for (int i = 0; i < 30; ++i) {
    TxevXMLNode2* n = doc.AddChild("n" + std::to_string(i));
    for (int d = 0; d < i % 5; ++d) n = n->AddChild("d");
    n->SetText(std::to_string(i));
    if (i % 3 == 0) n->SetAttribute("id", std::to_string(i));
  }
  const std::string before = body(doc);
  const TxevXMLFrozen2 frozen(doc);
  EXPECT_EQ(frozenBody(frozen), before);
  EXPECT_EQ(frozen.Version(), "1.1");

  TxevXMLNode2* x = doc.FindNode("x");
  x->SetText("changed");
  x->FindNode("y")->SetText("");
  x->SetAttribute("k", "w");
  doc.SetAttribute("a", "2");
  doc.SetText("");
  doc.DeleteNode(doc.FindNode("z"));
  doc.AddChild("new")->SetText("n");
  x->FindNode("y")->MoveTo(&doc, x);
  doc.DeclarationNode()->SetAttribute("version", "1.0");
  doc.ClearChildren();
  EXPECT_EQ(frozenBody(frozen), before);
  EXPECT_EQ(frozen.Version(), "1.1");

  // A document element alone, with and without a text; and random trees, deep and wide.
  for (const char* text : {"<r/>", "<r>t</r>", "<r b='1'><![CDATA[x]]></r>"}) {
    TxevXMLParser2 small;
    ASSERT_TRUE(small.LoadXML(text));
    EXPECT_EQ(frozenBody(TxevXMLFrozen2(small)), body(small)) << text;
  }
  unsigned seed = 7;
  auto next = [&seed](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int round = 0; round < 20; ++round) {
    TxevXMLParser2 tree;
    tree.SetName("root");
    std::vector<TxevXMLNode2*> nodes{&tree};
    const int count = 1 + static_cast<int>(next(3000));
    for (int i = 0; i < count; ++i) {
      // Mostly below one of the last nodes, so that some branches go deep.
      TxevXMLNode2* parent = nodes[next(4) == 0 ? next(static_cast<unsigned>(nodes.size()))
                                                : nodes.size() - 1 - next(std::min<unsigned>(5, nodes.size()))];
      TxevXMLNode2* n = parent->AddChild(std::string(1, static_cast<char>('a' + next(26))));
      if (next(2)) n->SetText(next(5) == 0 ? "a<b" : std::string(next(40), 'x'));
      for (unsigned a = next(3); a > 0; --a) n->SetAttribute("k" + std::to_string(a), std::to_string(i));
      nodes.push_back(n);
    }
    const TxevXMLFrozen2 copy(tree);
    EXPECT_EQ(frozenBody(copy), body(tree)) << "round " << round;
  }
}

// Freeing a frozen document needs no memory: with none left on the thread that frees it (the
// writer's, after a save that ran out), it goes without ending the program. In a fresh process, where
// nothing freed before has been kept for later.
TEST(XmlTreeDeathTest, FreeingAFrozenDocumentNeedsNoMemory) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TxevXMLParser2 doc;
        doc.SetName("r");
        for (int i = 0; i < 100; ++i) doc.AddChild("n")->SetAttribute("id", std::to_string(i));
        auto frozen = std::make_unique<TxevXMLFrozen2>(doc);
        testsupport::FailAllocationsOnThisThread(true);
        frozen.reset();
        testsupport::FailAllocationsOnThisThread(false);
        ::_exit(0);
      },
      testing::ExitedWithCode(0), "");
}

// Snapshots taken between random edits of every kind reuse what did not change since the one before,
// yet each writes exactly what a writer from scratch wrote of the document when it was taken, and goes
// on doing so whatever happens to the document (and to other snapshots) afterwards.
TEST(XmlTree, SnapshotsBetweenEditsWriteWhatTheDocumentHeld) {
  std::mt19937 rng(20240611);
  auto pick = [&rng](size_t n) { return static_cast<size_t>(rng() % n); };
  const char* const texts[] = {"", "t", "a<b", "x]]>y", " padded ", "caf\xC3\xA9", "it's", "a > b"};
  auto text = [&] { return std::string(texts[pick(std::size(texts))]) + (pick(3) ? "" : std::to_string(rng())); };
  for (int round = 0; round < 12; ++round) {
    TxevXMLParser2 doc;
    doc.SetName("dataroot");
    // Elements of the document (the document first), gathered again after every edit.
    std::vector<TxevXMLNode2*> nodes;
    auto gather = [&] {
      nodes.assign(1, &doc);
      for (size_t i = 0; i < nodes.size(); ++i)
        for (TxevXMLNode2* c : nodes[i]->Children()) nodes.push_back(c);
    };
    for (int i = 0; i < 300; ++i) {
      gather();
      TxevXMLNode2* n = nodes[nodes.size() - 1 - pick(std::min<size_t>(nodes.size(), 12))]->AddChild("e");
      if (pick(2)) n->SetText(text());
      if (pick(3) == 0) n->SetAttribute("ID", std::to_string(i));
    }
    if (round % 2 == 1) {
      // Read back from its text and frozen while it is parsed, as a databank is opened (a large one
      // is parsed in parts on several threads).
      if (round == 1)
        for (int b = 0; b < 40; ++b) doc.AddChild("bulk")->AddChild("t")->SetText(std::string(120000, char('a' + b)));
      const std::string text = doc.GetXML();
      doc.SetFreezeWhileParsing(true);
      ASSERT_TRUE(doc.LoadXML(text)) << doc.LastError();
      doc.SetFreezeWhileParsing(false);
      ASSERT_EQ(FrozenBody(TxevXMLFrozen2(doc)), Body(doc));
    }
    // Subtrees taken out of the document, some of them with frozen forms, put back later.
    std::vector<std::unique_ptr<TxevXMLNode2>> outside;
    struct Taken {
      std::unique_ptr<TxevXMLFrozen2> Frozen;
      std::string Body;
    };
    std::vector<Taken> taken;
    for (int step = 0; step < 80; ++step) {
      for (size_t edits = 1 + pick(4); edits > 0; --edits) {
        gather();
        TxevXMLNode2* n = nodes[pick(nodes.size())];
        TxevXMLNode2* other = nodes[pick(nodes.size())];
        switch (pick(16)) {
          case 0:
            n->SetText(text());
            break;
          case 1:
            n->SetText(n->Text());
            break;  // the same text: no change
          case 2:
            n->SetName(pick(2) ? "record" : "ns:folder");
            break;
          case 3:
            n->SetAttribute(pick(2) ? "ID" : "k", pick(2) ? "it's" : std::to_string(step));
            break;
          case 4:
            if (!n->Attributes().IsEmpty()) n->RemoveAttribute(n->Attributes().First());
            break;
          case 5:
            n->ClearAttributes();
            break;
          case 6:
            n->AddChild("new")->SetText(text());
            break;
          case 7:
            n->InsertNode(static_cast<int>(pick(n->Children().Count() + 1)), other->CloneNode());
            break;
          case 8:
            if (n != &doc) n->Parent()->DeleteNode(n);
            break;
          case 9:
            if (n != &doc) outside.push_back(n->Parent()->ExtractNode(n));
            break;
          case 10:
            if (!outside.empty()) {
              n->InsertNode(static_cast<int>(pick(n->Children().Count() + 1)), std::move(outside.back()));
              outside.pop_back();
            }
            break;
          case 11:
            n->MoveTo(other, pick(2) ? nullptr : other->FirstChild());
            break;
          case 12:
            if (pick(4) == 0) n->ClearChildren();
            break;
          case 13:
            XMLSwapSiblings(n, other->Parent() == n->Parent() ? other : n->NextSibling());
            break;
          case 14:
            doc.ParseNodeXML(n, "<p q='1'>parsed<c a='b'/><d>x</d></p>");
            break;
          case 15:
            if (TxevXMLAttribute2* a = n->Attributes().First()) {
              if (pick(2))
                a->SetValue(a->Value() + "+");
              else
                a->SetName(pick(2) ? "ID" : "renamed");  // refused where another attribute has it
            }
            break;
        }
      }
      // Frozen on their own too, as the clipboard freezes a subtree, while outside the document.
      if (!outside.empty() && pick(3) == 0) TxevXMLFrozen2 detached(*outside.back());
      taken.push_back({std::make_unique<TxevXMLFrozen2>(doc), Body(doc)});
      ASSERT_EQ(FrozenBody(*taken.back().Frozen), taken.back().Body) << "round " << round << " step " << step;
      gather();
      TxevXMLNode2* sub = nodes[pick(nodes.size())];
      if (sub != &doc) {
        std::string alone;
        doc.WriteXML(alone, sub, false);
        const TxevXMLFrozen2 frozen(*sub);
        EXPECT_EQ(FrozenBody(frozen), alone);
        // Made live again (as a paste does): the same element, detached.
        const std::unique_ptr<TxevXMLNode2> thawed = frozen.Thaw();
        std::string again;
        doc.WriteXML(again, thawed.get(), false);
        EXPECT_EQ(again, alone);
        EXPECT_EQ(thawed->Parent(), nullptr);
      }
      if (taken.size() > 4) taken.erase(taken.begin() + static_cast<std::ptrdiff_t>(pick(taken.size() - 1)));
    }
    for (const Taken& t : taken) EXPECT_EQ(FrozenBody(*t.Frozen), t.Body) << "round " << round;
  }
}

// The memory of snapshots: the next one after a change takes about what the change touched; one
// replaced by a newer one, once dropped, gives back what it does not share with the document; and
// once the document and its snapshots are gone, nothing is kept for the documents after it.
TEST(XmlTree, SnapshotMemoryFollowsTheChangeAndIsGivenBack) {
  SKIP_WHERE_ALLOCATIONS_ARE_NOT_COUNTED();
  const std::int64_t base = AllocatedBytes();
  {
    TxevXMLParser2 doc;
    doc.SetName("dataroot");
    std::vector<TxevXMLNode2*> data;
    for (int f = 0; f < 100; ++f) {
      TxevXMLNode2* folder = doc.AddChild("folder");
      folder->SetAttribute("ID", std::to_string(f));
      for (int r = 0; r < 500; ++r) {
        TxevXMLNode2* record = folder->AddChild("record");
        record->SetText("Record " + std::to_string(r));
        record->SetAttribute("ID", std::to_string(f * 1000 + r));
        data.push_back(record->AddChild("data"));
        data.back()->SetText("code of record " + std::to_string(r));
        record->AddChild("keywords")->SetText("k");
      }
    }
    const std::int64_t document = AllocatedBytes() - base;
    auto first = std::make_unique<TxevXMLFrozen2>(doc);
    const std::int64_t snapshot = AllocatedBytes() - base - document;
    ASSERT_GT(snapshot, 0);

    // One record typed into: the next snapshot takes what lies on its way to the document element.
    data[12345]->SetText("typed");
    const std::int64_t before = AllocatedBytes();
    auto second = std::make_unique<TxevXMLFrozen2>(doc);
    EXPECT_LT(AllocatedBytes() - before, 64 << 10) << "of a snapshot of " << snapshot << " bytes";

    // Every record changed: the first two snapshots, replaced and dropped, give their part back.
    for (size_t i = 0; i < data.size(); ++i) data[i]->SetText("code, edited " + std::to_string(i));
    auto third = std::make_unique<TxevXMLFrozen2>(doc);
    first.reset();
    second.reset();
    EXPECT_LT(AllocatedBytes() - base, document + snapshot + snapshot / 10);
    third.reset();
  }
  EXPECT_LT(AllocatedBytes() - base, 256 << 10) << "after the document and its snapshots are gone";
  {
    // Read from its text and frozen while parsed (as a databank is opened): the first snapshot costs
    // no more than a later one, and once every record changed, the memory of the forms made while
    // parsing is given back too.
    std::string text;
    {
      TxevXMLParser2 built;
      built.SetName("dataroot");
      for (int f = 0; f < 100; ++f) {
        TxevXMLNode2* folder = built.AddChild("folder");
        for (int r = 0; r < 500; ++r) {
          TxevXMLNode2* record = folder->AddChild("record");
          record->SetAttribute("ID", std::to_string(f * 1000 + r));
          record->AddChild("data")->SetText("code of record " + std::to_string(r));
        }
      }
      text = built.GetXML();
    }
    const std::int64_t before = AllocatedBytes();
    TxevXMLParser2 doc;
    doc.SetFreezeWhileParsing(true);
    ASSERT_TRUE(doc.LoadXML(std::move(text)));
    doc.ReleaseText();
    const std::int64_t loaded = AllocatedBytes() - before;
    auto first = std::make_unique<TxevXMLFrozen2>(doc);
    EXPECT_LT(AllocatedBytes() - before - loaded, 64 << 10);
    for (TxevXMLNode2* folder : doc.Children())
      for (TxevXMLNode2* record : folder->Children()) record->FindNode("data")->SetText("edited");
    auto second = std::make_unique<TxevXMLFrozen2>(doc);
    first.reset();
    EXPECT_LT(AllocatedBytes() - before, loaded + loaded / 8);
  }
  EXPECT_LT(AllocatedBytes() - base, 256 << 10) << "after a document frozen while parsed is gone";
  // A small document saved afterwards keeps nothing large either.
  TxevXMLParser2 small;
  small.SetName("dataroot");
  for (int i = 0; i < 10; ++i) small.AddChild("record")->SetText("r");
  { TxevXMLFrozen2 frozen(small); }
  EXPECT_LT(AllocatedBytes() - base, 256 << 10);
}

// A record stored again as it is (its texts and attributes, as the editor stores the open record
// before every save) is no change: the next snapshot shares everything with the last one, where a
// real change makes the elements on its way up anew.
TEST(XmlTree, StoringTheSameValuesAgainKeepsTheSnapshotShared) {
  SKIP_WHERE_ALLOCATIONS_ARE_NOT_COUNTED();
  TxevXMLParser2 doc;
  doc.SetName("dataroot");
  std::vector<TxevXMLNode2*> records;
  for (int f = 0; f < 20; ++f) {
    TxevXMLNode2* folder = doc.AddChild("folder");
    for (int r = 0; r < 500; ++r) {
      TxevXMLNode2* record = folder->AddChild("record");
      record->SetAttribute("ID", std::to_string(f * 1000 + r));
      record->SetAttribute("XPos", "3");
      record->AddChild("data")->SetText("code of record " + std::to_string(r));
      records.push_back(record);
    }
  }
  auto first = std::make_unique<TxevXMLFrozen2>(doc);
  TxevXMLNode2* record = records[1234];
  auto storeAgain = [record](const std::string& xpos) {
    record->FindNode("data")->SetText(record->FindNode("data")->Text());
    record->SetAttribute("ID", record->GetAttribute("ID"));
    record->SetAttribute("XPos", xpos);
  };
  std::int64_t before = AllocatedBytes();
  storeAgain("3");
  auto second = std::make_unique<TxevXMLFrozen2>(doc);
  EXPECT_LT(AllocatedBytes() - before, 1 << 10);
  // The caret moved: the record's folder is frozen anew, all 500 of its entries.
  before = AllocatedBytes();
  storeAgain("4");
  auto third = std::make_unique<TxevXMLFrozen2>(doc);
  EXPECT_GT(AllocatedBytes() - before, 500 * 16);
  EXPECT_EQ(FrozenBody(*third), Body(doc));
  EXPECT_NE(FrozenBody(*second), FrozenBody(*third));
}

TEST(XmlTree, MoveDeleteCloneAndSiblings) {
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML("<r><a><a1/><a2><deep/></a2></a><b/><c/></r>"));
  TxevXMLNode2* a = doc.FindNode("a");
  TxevXMLNode2* b = doc.FindNode("b");
  TxevXMLNode2* c = doc.FindNode("c");
  TxevXMLNode2* deep = doc.FindNode("deep", true);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(doc.FindNode("deep", false), nullptr);
  const std::string before = doc.GetXML();

  // Into itself or its own subtree: refused, nothing changes.
  EXPECT_FALSE(a->MoveTo(a));
  EXPECT_FALSE(a->MoveTo(deep));
  EXPECT_FALSE(doc.MoveTo(a));  // the document has no parent
  EXPECT_FALSE(a->MoveTo(nullptr));
  EXPECT_FALSE(a->MoveTo(&doc, deep));  // `before` must be a child of the new parent
  EXPECT_EQ(doc.GetXML(), before);
  // Deleting something that is not a child does nothing.
  EXPECT_FALSE(doc.DeleteNode(deep));
  EXPECT_FALSE(doc.DeleteNode(nullptr));
  EXPECT_EQ(doc.GetXML(), before);

  EXPECT_TRUE(c->MoveTo(&doc, a));
  EXPECT_EQ(doc.Children()[0], c);
  EXPECT_TRUE(a->MoveTo(b));
  EXPECT_EQ(a->Parent(), b);
  EXPECT_EQ(doc.GetXML(), kDecl +
                              "<r>\r\n  <c/>\r\n  <b>\r\n    <a>\r\n      <a1/>\r\n      <a2>\r\n"
                              "        <deep/>\r\n      </a2>\r\n    </a>\r\n  </b>\r\n</r>");

  std::unique_ptr<TxevXMLNode2> copy = b->CloneNode();
  EXPECT_EQ(copy->Parent(), nullptr);
  EXPECT_EQ(doc.GetNodeXML(copy.get()), kDecl + doc.GetNodeXML(b));
  EXPECT_EQ(copy->FindNode("deep", true)->Parent()->Parent()->Parent(), copy.get());

  EXPECT_EQ(c->NextSibling(), b);
  EXPECT_EQ(b->NextSibling(), nullptr);
  EXPECT_EQ(doc.NextSibling(), nullptr);
  EXPECT_TRUE(doc.DeleteNode(c));
  EXPECT_EQ(doc.FirstChild(), b);
  EXPECT_EQ(b->IndexInParent(), 0);
  EXPECT_EQ(doc.GetChildText("missing"), "");
}

TEST(XmlTree, AttributesAreUniqueAndRemovable) {
  TxevXMLNode2 n;
  n.SetAttribute("a", "1");
  n.SetAttribute("b", "2");
  n.SetAttribute("a", "3");
  ASSERT_EQ(n.Attributes().Count(), 2);
  EXPECT_EQ(n.GetAttribute("a"), "3");
  EXPECT_EQ(n.IndexOfAttribute("b"), 1);
  EXPECT_EQ(n.IndexOfAttribute("B"), -1);
  TxevXMLAttribute2 stranger("b", "2");
  EXPECT_FALSE(n.RemoveAttribute(&stranger));
  // Renamed only to a name no other attribute of its element has; one in no element takes any.
  EXPECT_FALSE(n.Attributes()[0]->SetName("b"));
  EXPECT_TRUE(stranger.SetName("a"));
  EXPECT_TRUE(n.Attributes()[0]->SetName("c"));
  EXPECT_TRUE(n.Attributes()[0]->SetName("a"));
  EXPECT_EQ(n.GetAttribute("a"), "3");
  EXPECT_EQ(n.GetAttribute("b"), "2");
  EXPECT_TRUE(n.RemoveAttribute(n.Attributes()[0]));
  EXPECT_EQ(n.GetAttribute("a"), "");

  // Parsed duplicates overwrite, also past the point where the parser indexes the names.
  std::string tag = "<e";
  for (int i = 0; i < 40; ++i) tag += " n" + std::to_string(i) + "='" + std::to_string(i) + "'";
  tag += " n3='x' n30='y'/>";
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML(tag));
  EXPECT_EQ(doc.Attributes().Count(), 40);
  EXPECT_EQ(doc.GetAttribute("n3"), "x");
  EXPECT_EQ(doc.GetAttribute("n30"), "y");
}

TEST(XmlHostile, UnclosedTagsDeepTreesAndBigTexts) {
  // 300,000 unclosed tags: an error report of bounded size, no stack exhaustion.
  std::string deep;
  for (int i = 0; i < 300000; ++i) deep += "<a>";
  TxevXMLParser2 doc;
  double t = Seconds([&] { EXPECT_FALSE(doc.LoadXML(deep)); });
  EXPECT_EQ(ErrorText(doc), "Expected < when parsing text");
  EXPECT_LT(doc.LastError().size(), (1u << 20) + 200);
  EXPECT_EQ(doc.LastError().substr(doc.LastError().size() - 3), "...");
  EXPECT_LT(t, 30.0);  // quadratic work would take minutes

  // A well-formed tree as deep: written, cloned, searched and freed without recursion.
  std::string nested;
  const int depth = 200000;
  for (int i = 0; i < depth; ++i) nested += "<n>";
  nested += "<leaf/>";
  for (int i = 0; i < depth; ++i) nested += "</n>";
  ASSERT_TRUE(doc.LoadXML(nested));
  EXPECT_NE(doc.FindNode("leaf", true), nullptr);
  std::unique_ptr<TxevXMLNode2> copy = doc.CloneNode();
  EXPECT_NE(copy->FindNode("leaf", true), nullptr);
  std::string limited;
  EXPECT_FALSE(doc.WriteXML(limited, &doc, true, 4096));
  EXPECT_EQ(limited.size(), 4096u);
  copy.reset();
  // Written whole, a deep tree grows with its depth, not with the square of it: the indentation stops
  // at 64 levels, and what is written reads back as the same tree.
  std::string chain;
  const size_t levels = 5000;
  for (size_t i = 0; i < levels; ++i) chain += "<n>";
  for (size_t i = 0; i < levels; ++i) chain += "</n>";
  ASSERT_TRUE(doc.LoadXML(chain));
  const std::string whole = doc.GetXML();
  EXPECT_LT(whole.size(), levels * 300);
  EXPECT_NE(whole.find("\r\n" + std::string(128, ' ') + "<n>"), std::string::npos);
  EXPECT_EQ(whole.find(std::string(129, ' ')), std::string::npos);
  TxevXMLParser2 reread;
  ASSERT_TRUE(reread.LoadXML(whole));
  EXPECT_EQ(reread.GetXML(), whole);
  doc.ClearChildren();

  // A 10 MB single-line text.
  std::string big(10 << 20, 'x');
  big[12345] = '<';
  TxevXMLParser2 bigDoc;
  bigDoc.SetName("r");
  bigDoc.AddChild("t")->SetText(big);
  std::string xml = bigDoc.GetXML();
  TxevXMLParser2 back;
  t = Seconds([&] { ASSERT_TRUE(back.LoadXML(xml)); });
  EXPECT_EQ(back.GetChildText("t"), big);
  EXPECT_LT(t, 30.0);  // quadratic work would take minutes
}

TEST(XmlHostile, ManySiblingsWalkAndAttributesStayLinear) {
  const int count = 200000;
  std::string xml = "<dataroot>";
  for (int i = 0; i < count; ++i) xml += "<record ID='" + std::to_string(i) + "'>t</record>";
  xml += "</dataroot>";
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML(xml));
  ASSERT_EQ(doc.Children().Count(), count);
  int seen = 0;
  double t = Seconds([&] {
    for (TxevXMLNode2* n = doc.FirstChild(); n; n = n->NextSibling()) ++seen;
  });
  EXPECT_EQ(seen, count);
  EXPECT_LT(t, 10.0);
  // After deleting from the front, walking still finds every node quickly.
  for (int i = 0; i < 10; ++i) doc.DeleteNode(doc.FirstChild());
  seen = 0;
  t = Seconds([&] {
    for (TxevXMLNode2* n = doc.FirstChild(); n; n = n->NextSibling()) ++seen;
  });
  EXPECT_EQ(seen, count - 10);
  EXPECT_LT(t, 10.0);

  std::string attrs = "<e";
  for (int i = 0; i < 100000; ++i) attrs += " a" + std::to_string(i) + "='v'";
  attrs += "/>";
  t = Seconds([&] { ASSERT_TRUE(doc.LoadXML(attrs)); });
  EXPECT_EQ(doc.Attributes().Count(), 100000);
  EXPECT_LT(t, 30.0);  // quadratic work would take minutes
}

// A large document is parsed in parts on several threads, each part starting where a line seems
// to start an element of the document element. Whatever the text holds, the tree and every error
// report must be those of one parse from the start.
TEST(XmlLarge, PartsJoinIntoTheTreeOfOneParse) {
  // Texts holding lines that look like the start of a part: in CDATA sections, in plain texts, in
  // attribute values; some folders nested, some empty, some self-closing elements between them.
  TxevXMLParser2 made;
  made.SetName("dataroot");
  // Lines that parse as a run of whole elements up to the end of the text, and lines that do not.
  const std::string fakes[] = {"x\r\n  <fake ID='0'/>\r\n  <fake>fake\r\n  </fake>y",
                               "x\r\n  <fake ID='0'>fake\r\n  </fake>\r\n  <![CDATA[ y"};
  for (int f = 0; f < 400; ++f) {
    TxevXMLNode2* folder = made.AddChild(f % 7 == 3 ? "folder" : "ns:folder");
    folder->SetAttribute("ID", std::to_string(f));
    folder->SetText("Folder " + std::to_string(f));
    if (f % 11 == 5) continue;  // an empty folder: written self-closing
    TxevXMLNode2* inner = f % 5 == 0 ? folder->AddChild("folder") : folder;
    for (int r = 0; r < 12; ++r) {
      TxevXMLNode2* record = inner->AddChild("record");
      record->SetAttribute("ID", std::to_string(f * 100 + r));
      record->SetAttribute("note", r % 3 == 0 ? "a\n  <b" : "plain");
      record->SetText("Snippet " + std::to_string(r));
      std::string data(900 + 37 * r, 'c');
      const std::string& fake = fakes[(f + r) % 2];
      for (size_t at = 50; at + fake.size() < data.size(); at += 211) data.replace(at, fake.size(), fake);
      record->AddChild("data")->SetText(data);
      record->AddChild("comments")->SetText(r % 2 ? "  kept blanks\n  <i>  " : "");
    }
  }
  const std::string xml = made.GetXML();
  ASSERT_GT(xml.size(), size_t{5} << 20);
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML(xml)) << doc.ErrorSummary();
  EXPECT_TRUE(doc.GetXML() == xml);  // compared whole: a diff of megabytes helps nobody
  EXPECT_EQ(doc.Children().Count(), 400);
  for (const TxevXMLNode2* child : doc.Children()) EXPECT_EQ(child->Parent(), &doc);
  EXPECT_EQ(doc.Children()[399]->Prefix(), "ns");

  // Read as Windows-1252: each part converts its own strings.
  std::string latin = xml;
  for (size_t at = latin.find("Snippet"); at != std::string::npos; at = latin.find("Snippet", at + 1))
    latin[at] = '\xE9';
  doc.SetFromCp1252(true);
  ASSERT_TRUE(doc.LoadXML(latin));
  doc.SetFromCp1252(false);
  for (int f : {1, 391}) {
    const TxevXMLNode2* record = doc.Children()[f]->FindNode("record", true);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Text(), "\xC3\xA9nippet 0");
  }

  // What follows the document element is not read, however much of it there is.
  const size_t rootEnd = xml.rfind("</dataroot>");
  std::string early = xml.substr(0, xml.size() / 3);
  early.resize(early.rfind("\r\n  <ns:folder "));
  early += "\r\n</dataroot>" + xml.substr(xml.size() / 3, rootEnd - xml.size() / 3);
  ASSERT_TRUE(doc.LoadXML(early)) << doc.ErrorSummary();
  TxevXMLParser2 head;
  ASSERT_TRUE(head.LoadXML(early.substr(0, early.find("\r\n</dataroot>") + 13)));
  EXPECT_TRUE(doc.GetXML() == head.GetXML());

  // Errors late in the text: the place and the partial tree of one parse.
  auto lineAndColumn = [](const std::string& text, size_t offset) {
    const size_t line = 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
    const size_t start = text.rfind('\n', offset - 1);
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - start);
  };
  std::string damaged = xml;
  const size_t bad = damaged.find("<record ID='", damaged.size() * 3 / 4);
  damaged.replace(bad, 12, "<record ID=");
  EXPECT_FALSE(doc.LoadXML(damaged));
  const size_t cursor = damaged.find('>', bad) + 1;
  EXPECT_EQ(doc.ErrorSummary(),
            "XML error at " + lineAndColumn(damaged, cursor) + ": missing value delimiter when parsing attributes");
  EXPECT_NE(doc.LastError().find("\r\nError position=" + std::to_string(cursor + 1) + "\r\n"), std::string::npos);
  int folders = 0;
  for (const char* start : {"\r\n  <folder ", "\r\n  <ns:folder "})
    for (size_t at = xml.find(start); at < bad; at = xml.find(start, at + 1)) ++folders;
  EXPECT_EQ(doc.Children().Count(), folders);

  std::string unclosed = xml.substr(0, rootEnd);
  EXPECT_FALSE(doc.LoadXML(unclosed));
  EXPECT_EQ(ErrorText(doc), "Missing <");
  EXPECT_NE(doc.LastError().find("\r\nError position=0\r\n"), std::string::npos);
  EXPECT_EQ(doc.Children().Count(), 400);
}

// Records that keep HTML or XML have lines in their CDATA sections that look like the start of an
// element of the document element; a part guessed to start there would be parsed again in one piece
// after the part before it, so a databank of such records would be read on one thread. The guesses
// step over CDATA sections: the parts join as their threads parsed them, into the tree of one parse.
TEST(XmlLarge, MarkupInCDataSectionsLeavesThePartsToTheirThreads) {
  TxevXMLParser2 made;
  made.SetName("dataroot");
  for (int f = 0; f < 60; ++f) {
    TxevXMLNode2* folder = made.AddChild("folder");
    folder->SetAttribute("ID", std::to_string(f));
    folder->SetText("Folder " + std::to_string(f));
    TxevXMLNode2* inner = folder->AddChild("folder");
    for (int r = 0; r < 60; ++r) {
      TxevXMLNode2* record = (r % 2 ? inner : folder)->AddChild("record");
      record->SetText("Snippet " + std::to_string(r));
      std::string html = "<h3>Notes</h3>\r\n<ul>";
      for (int line = 0; line < 40; ++line)
        html += "\r\n  <li><code>node-&gt;next</code> line " + std::to_string(line) + "</li>";
      html += "\r\n</ul>";
      record->AddChild("comments")->SetText(html);
      record->AddChild("data")->SetText(std::string(1500, 'c') + "\r\n  <div>\r\n  </div>");
    }
  }
  const std::string xml = made.GetXML();
  const size_t shares = platform::SharedWorkShares({.Bytes = xml.size(), .ScalesWithThreads = true});
  ASSERT_GT(xml.size(), size_t{12} << 20);
  TxevXMLParser2 doc;
  ASSERT_TRUE(doc.LoadXML(xml)) << doc.ErrorSummary();
  EXPECT_EQ(doc.SharedParts(), shares);
  EXPECT_TRUE(doc.GetXML() == xml);
  EXPECT_EQ(doc.Children().Count(), 60);
  EXPECT_EQ(doc.ParsedElements(), size_t{1 + 60 * 2 + 60 * 60 * 3});  // counted by every part
}
