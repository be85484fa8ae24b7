// The databank vocabulary: typed reads with their defaults, inherited values, node IDs and the
// old-format conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <unordered_map>

#include "databank/uDataBankContent.h"
#include "databank/uTreeModel.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

using namespace bank;

namespace {
TXMLDataBase2& Load(TXMLDataBase2& db, const std::string& xml) {
  EXPECT_TRUE(db.LoadEncodedXML(xml)) << db.LastError();
  return db;
}
const std::string kTree =
    "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n"
    "<dataroot>"
    "<settings><NextNodeID>3</NextNodeID></settings>"
    "<HighLight>3</HighLight><commentpanel-shown>false</commentpanel-shown>"
    "<folder ID='1' expanded='1' bold='2'>A"
    "  <HighLight>5</HighLight>"
    "  <record ID='2' XPos='4'>r1<data>code</data></record>"
    "  <record ID='007' commentpanel-shown='1'>r2<HighLight>7</HighLight></record>"
    "  <folder ID='9'>B<record ID='10'>deep</record></folder>"
    "</folder>"
    "<lists><bookmarks><bookmark><name>m</name><ID>10</ID></bookmark><x/></bookmarks></lists>"
    "<record ID='11'>top<record ID='40'>hidden under a record</record></record>"
    "</dataroot>";

// The map of `specs` filled at once (AddAll: side by side where it is large) into `bulk`, and node
// by node into `single`: the same size, the same item for every node, the same node for each ID asked.
void FillBothWays(const std::vector<TTreeItemSpec>& specs, TTreeNodeMap& bulk, TTreeNodeMap& single,
                  std::initializer_list<int> ids) {
  std::vector<TTreeItem*> items;
  for (size_t i = 0; i < specs.size(); ++i) items.push_back(reinterpret_cast<TTreeItem*>(i + 1));
  bulk.AddAll(specs, items);
  for (size_t i = 0; i < specs.size(); ++i) single.Add(specs[i].Node, items[i]);
  ASSERT_EQ(bulk.Size(), single.Size());
  for (const TTreeItemSpec& s : specs) ASSERT_EQ(bulk.ItemOf(s.Node), single.ItemOf(s.Node));
  for (int id : ids) EXPECT_EQ(bulk.FindByID(id), single.FindByID(id)) << id;
}

}  // namespace

TEST(DataBankContent, KindsAndItemDefaults) {
  TXMLDataBase2 db;
  Load(db, kTree);
  TxevXMLNode2* folder = FindNodeByID(db.Root(), 1);
  TxevXMLNode2* r1 = FindNodeByID(db.Root(), 2);
  ASSERT_TRUE(folder && r1);
  EXPECT_TRUE(IsFolder(folder));
  EXPECT_FALSE(IsRecord(folder));
  EXPECT_TRUE(IsRecord(r1));
  EXPECT_FALSE(IsTreeNode(db.SettingsNode()));
  EXPECT_TRUE(IsExpanded(folder));
  EXPECT_FALSE(IsBold(folder));  // "2" is not bold
  EXPECT_EQ(NodeTitle(folder), "A");
  EXPECT_EQ(RecordData(r1), "code");
  EXPECT_EQ(RecordComments(r1), "");
  EXPECT_EQ(RecordXPos(r1), 4);
  EXPECT_EQ(RecordYPos(r1), 0);
  EXPECT_EQ(RecordCommentPanelHeight(r1), 80);
  EXPECT_EQ(NodeImage(r1, 17), 17);
  XMLSetAttr(r1, xaImage, "3");
  EXPECT_EQ(NodeImage(r1, 17), 3);
  SetExpanded(folder, false);
  EXPECT_EQ(folder->GetAttribute(xaExpanded), "0");
}

TEST(DataBankContent, InheritedValues) {
  TXMLDataBase2 db;
  Load(db, kTree);
  EXPECT_EQ(InheritedHighLight(FindNodeByID(db.Root(), 2)), "5");   // the folder's
  EXPECT_EQ(InheritedHighLight(FindNodeByID(db.Root(), 10)), "5");  // an ancestor's
  EXPECT_EQ(InheritedHighLight(FindNodeByID(db.Root(), 11)), "3");  // the root's
  TXMLDataBase2 bare;
  Load(bare, "<dataroot><record ID='1'>x</record></dataroot>");
  EXPECT_EQ(InheritedHighLight(FindNodeByID(bare.Root(), 1)), "0");
  EXPECT_TRUE(RecordCommentPanelShown(FindNodeByID(bare.Root(), 1)));
  EXPECT_FALSE(InheritedCommentPanelAlignment(FindNodeByID(bare.Root(), 1)));
  // The root's "false" hides the panel; a record's own "1" wins over it.
  EXPECT_FALSE(RecordCommentPanelShown(FindNodeByID(db.Root(), 2)));
  TxevXMLNode2* r2 = bank::FindNodeByID(db.Root(), 1)->Children().Items(2);
  ASSERT_EQ(NodeTitle(r2), "r2");
  EXPECT_TRUE(RecordCommentPanelShown(r2));
  EXPECT_EQ(InheritedHighLight(r2), "7");
}

TEST(DataBankContent, FindNodeByIDComparesTextInDisplayOrder) {
  TXMLDataBase2 db;
  Load(db, kTree);
  EXPECT_EQ(FindNodeByID(db.Root(), 7), nullptr);  // stored as "007"
  EXPECT_EQ(FindNodeByID(db.Root(), -1), nullptr);
  EXPECT_EQ(FindNodeByID(db.Root(), 40), nullptr);  // below a record: not a tree node
  EXPECT_EQ(NodeTitle(FindNodeByID(db.Root(), 10)), "deep");
  // Duplicate IDs: the first in display order wins.
  TXMLDataBase2 dup;
  Load(dup,
       "<dataroot><folder ID='1'>f<record ID='5'>first</record></folder><record ID='5'>second</record></dataroot>");
  EXPECT_EQ(NodeTitle(FindNodeByID(dup.Root(), 5)), "first");
  std::vector<std::string> order;
  ForEachTreeNode(db.Root(),
                  [&](TxevXMLNode2* n, int depth) { order.push_back(std::to_string(depth) + NodeTitle(n)); });
  EXPECT_EQ(order, (std::vector<std::string>{"0A", "1r1", "1r2", "1B", "2deep", "0top"}));
}

// The tree's map of IDs, with holders added in and out of display order and taken away again.
TEST(DataBankContent, NodeMapFindsTheFirstHolderOfAnIDInDisplayOrder) {
  TXMLDataBase2 db;
  Load(db,
       "<dataroot><folder ID='1'>f<record ID='5'>first</record></folder><record ID='5'>second</record>"
       "<record ID='05'>padded</record></dataroot>");
  std::vector<TxevXMLNode2*> nodes;
  ForEachTreeNode(db.Root(), [&](TxevXMLNode2* n, int) { nodes.push_back(n); });
  ASSERT_EQ(nodes.size(), 4u);
  for (bool reversed : {false, true}) {
    SCOPED_TRACE(reversed);
    TTreeNodeMap map;
    for (size_t i = 0; i < nodes.size(); ++i) map.Add(nodes[reversed ? nodes.size() - 1 - i : i], nullptr);
    EXPECT_EQ(map.FindByID(5), nodes[1]);
    EXPECT_EQ(map.FindByID(1), nodes[0]);
    EXPECT_EQ(map.FindByID(-1), nullptr);
    map.RemoveSubtree(nodes[0]);
    EXPECT_EQ(map.FindByID(5), nodes[2]);
    EXPECT_EQ(map.FindByID(1), nullptr);
    map.RemoveSubtree(nodes[2]);
    EXPECT_EQ(map.FindByID(5), nullptr);  // "05" is not written as the ID 5 is
    EXPECT_EQ(map.Size(), 1u);
  }
}

// Each item's look as the tree shows it, read in one pass over the attributes, equals what the
// lookups by name give; the map filled from the item list equals the one filled node by node.
TEST(DataBankContent, ItemSpecsAndTheirMapEqualLookupsByName) {
  TXMLDataBase2 db;
  Load(db,
       "<dataroot>"
       "<folder ID='1' expanded='1' bold='1' Image='3'>open<record ID='2' Image='$5'>hex</record>"
       "<record ID='007' Image='99'>padded</record><record ID='-4' Image=''>negative</record>"
       "<record ID='6' bold='0' ID='8' bold='1'>twice</record></folder>"
       "<folder ID='9' expanded='0' Image='2' x='y'>shut<folder expanded='1' Image='9'>no id</folder></folder>"
       "<record Image='4' ID='5' bold='1' expanded='1'>last</record>"
       "<record ID='5'>again</record>"
       "</dataroot>");
  TTreeImages images;
  images.Ranges = {0, 3, 4, 6};  // folders 0-3 (two pairs), records 4-6
  images.DefaultFolderImage = 2;
  images.DefaultDocImage = 6;
  const std::vector<TTreeItemSpec> specs = BuildTreeSpecs(db.Root(), images);
  ASSERT_EQ(specs.size(), 9u);
  for (const TTreeItemSpec& s : specs) {
    SCOPED_TRACE(s.Node->Text());
    EXPECT_EQ(s.Bold, IsBold(s.Node));
    EXPECT_EQ(s.Expanded, s.Folder && IsExpanded(s.Node));
    EXPECT_EQ(s.Image, images.NodeImage(s.Node, s.Expanded));
    const std::string id = s.Node->GetAttribute(xaID);
    EXPECT_EQ(s.ID, !id.empty() && id[0] != '-' && std::to_string(NodeID(s.Node)) == id ? NodeID(s.Node) : -1);
  }
  // By hand: a stored image outside the list gives the default; a name written twice keeps the last.
  EXPECT_EQ((std::vector<int>{specs[0].Image, specs[1].Image, specs[2].Image, specs[3].Image, specs[5].Image}),
            (std::vector<int>{3, 5, 6, 6, 2}));
  EXPECT_EQ((std::vector<int>{specs[1].ID, specs[2].ID, specs[3].ID, specs[4].ID, specs[6].ID}),
            (std::vector<int>{2, -1, -1, 8, -1}));
  EXPECT_TRUE(specs[4].Bold);
  EXPECT_TRUE(specs[6].Expanded);
  EXPECT_EQ(specs[6].Image, 3);     // stored 9 is outside the list: the default folder pair, open
  EXPECT_FALSE(specs[7].Expanded);  // a record is never open

  TTreeNodeMap bulk, single;
  ASSERT_NO_FATAL_FAILURE(FillBothWays(specs, bulk, single, {-4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(bulk.FindByID(5), specs[7].Node);
  bulk.RemoveSubtree(specs[7].Node);
  EXPECT_EQ(bulk.FindByID(5), specs[8].Node);
}

// The item list of a document with enough top-level elements to be built on several threads (one run
// of them each, joined after): every item a tree shows, in display order, each after its parent and
// below the item of its node's parent, whatever kind of element begins or ends a run. The map of a
// large list, filled side by side, finds what one filled node by node finds.
TEST(DataBankContent, ItemSpecsOfManyTopLevelElementsFollowTheDocument) {
  const std::string kinds[] = {
      "<record ID='7'>r</record>",
      "<folder ID='3'>f<record ID='3'>a</record><folder>g<record ID='12'>b</record><folder>h</folder></folder>"
      "<record ID='x'>c</record></folder>",
      "<folder>empty</folder>",
      "<data ID='5'>not a node</data>",
      "<record ID='5'>r<record ID='6'>hidden under a record</record></record>",
      "<folder>f<data>x</data><record ID='-1'>d</record></folder>"};
  std::mt19937 rng(5);
  for (int tops : {7, 8, 9, 13, 31, 64, 200, 12000}) {
    std::string xml = "<dataroot>";
    for (int i = 0; i < tops; ++i) xml += kinds[rng() % std::size(kinds)];
    TXMLDataBase2 db;
    Load(db, xml + "</dataroot>");
    std::vector<TxevXMLNode2*> shown;
    ForEachTreeNode(db.Root(), [&](TxevXMLNode2* n, int) { shown.push_back(n); });
    const std::vector<TTreeItemSpec> specs = BuildTreeSpecs(db.Root(), TTreeImages());
    SCOPED_TRACE(xml);
    ASSERT_EQ(specs.size(), shown.size());
    for (size_t i = 0; i < specs.size(); ++i) {
      SCOPED_TRACE(i);
      ASSERT_EQ(specs[i].Node, shown[i]);
      ASSERT_LT(specs[i].Parent, static_cast<int>(i));
      ASSERT_EQ(specs[i].Parent < 0 ? db.Root() : specs[size_t(specs[i].Parent)].Node, specs[i].Node->Parent());
    }
    TTreeNodeMap bulk, single;
    ASSERT_NO_FATAL_FAILURE(FillBothWays(specs, bulk, single, {-1, 3, 5, 6, 7, 12}));
    bulk.RemoveSubtree(bulk.FindByID(3));
    single.RemoveSubtree(single.FindByID(3));
    EXPECT_EQ(bulk.FindByID(3), single.FindByID(3));
  }
}

TEST(DataBankContent, NextNodeIDClimbsAboveEveryID) {
  TXMLDataBase2 db;
  Load(db, kTree);  // stored 3, highest 40 (even the one below a record)
  EXPECT_EQ(HighestNodeID(db.Root()), 40);
  EXPECT_EQ(LoadedNextNodeID(db), 41);
  db.WriteInteger(skNextNodeID, 100);
  EXPECT_EQ(LoadedNextNodeID(db), 100);
  TXMLDataBase2 empty;
  EXPECT_EQ(LoadedNextNodeID(empty), 1);  // no settings at all
  TXMLDataBase2 top;
  Load(top, "<dataroot><record ID='2147483647'>x</record></dataroot>");
  EXPECT_EQ(LoadedNextNodeID(top), INT_MAX);
}

TEST(DataBankContent, AssignAndRenumberInPreOrder) {
  TXMLDataBase2 db;
  Load(db, kTree);
  int next = 50;
  TxevXMLNode2* folder = FindNodeByID(db.Root(), 1);
  RenumberSubtree(folder, next, db.Root());
  EXPECT_EQ(next, 55);
  std::vector<int> ids;
  ForEachTreeNode(db.Root(), [&](TxevXMLNode2* n, int) { ids.push_back(NodeID(n)); });
  EXPECT_EQ(ids, (std::vector<int>{50, 51, 52, 53, 54, 11}));
  // A record's children are not walked.
  TxevXMLNode2* top = FindNodeByID(db.Root(), 11);
  RenumberSubtree(top, next, db.Root());
  EXPECT_EQ(NodeID(top), 55);
  EXPECT_EQ(NodeID(top->FirstChild()), 40);
}

TEST(DataBankContent, NewIDsNeverRepeatOnceTheCounterIsSpent) {
  TXMLDataBase2 db;
  Load(db,
       "<dataroot><folder ID='2147483646'>a<record ID='1'>r<record ID='4'>inner</record></record>"
       "<record ID='3'>s</record></folder></dataroot>");
  int next = LoadedNextNodeID(db);
  ASSERT_EQ(next, INT_MAX);
  TxevXMLNode2* folder = FindNodeByID(db.Root(), 2147483646);
  std::vector<int> given;
  for (int i = 0; i < 3; ++i) {
    TxevXMLNode2* added = folder->AddChild(xnRecord);
    AssignID(added, next, db.Root());
    given.push_back(NodeID(added));
  }
  // The counter stays spent; the lowest IDs no node holds (4 is held, if below a record) are used.
  EXPECT_EQ(given, (std::vector<int>{2, 5, 6}));
  // A copy not yet placed: its IDs are new to the document and to each other, also when the counter
  // runs out in the middle of it.
  auto copy = folder->CloneNode();
  int almost = INT_MAX - 1;
  RenumberSubtree(copy.get(), almost, db.Root());
  std::vector<int> ids{NodeID(copy.get())};
  ForEachTreeNode(copy.get(), [&](TxevXMLNode2* n, int) { ids.push_back(NodeID(n)); });
  EXPECT_EQ(ids, (std::vector<int>{INT_MAX - 1, 7, 8, 9, 10, 11}));
}

TEST(DataBankContent, Bookmarks) {
  TXMLDataBase2 db;
  Load(db, kTree);
  auto marks = ReadBookmarks(db);
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].Name, "m");
  EXPECT_EQ(marks[0].ID, 10);
}

TEST(DataBankContent, OldTextDequotesOnlyWhollyQuotedTexts) {
  EXPECT_EQ(DequoteOldText("\"a \"\"q\"\"\""), "a \"q\"");
  EXPECT_EQ(DequoteOldText("\"a\" b"), "\"a\" b");  // nothing after the closing quote is lost
  EXPECT_EQ(DequoteOldText("\"open"), "\"open");
  EXPECT_EQ(DequoteOldText("\""), "\"");
  EXPECT_EQ(DequoteOldText("\"\""), "");
  EXPECT_EQ(DequoteOldText("plain"), "plain");
  EXPECT_EQ(ConvertOldText("\"a &lt;b&gt; \"\"q\"\"\""), "a <b> \"q\"");
  // "&gt;" first, then "&lt;": "&lt;gt;" is not turned into ">".
  EXPECT_EQ(ConvertOldText("&amp;lt; &lt;gt;"), "&amp;lt; <gt;");
}

TEST(DataBankContent, OldFormatConvertsEveryNodeAndMarksCDATA) {
  TXMLDataBase2 db;
  Load(db,
       "<dataroot><folder ID=\"1\">\"a &lt;b&gt; \"\"q\"\"\"<record ID=\"2\">\"r\"<data>\"x &gt; "
       "1\"</data></record></folder></dataroot>");
  ConvertOldFormat(db.Root());
  TxevXMLNode2* folder = FindNodeByID(db.Root(), 1);
  EXPECT_EQ(NodeTitle(folder), "a <b> \"q\"");
  EXPECT_TRUE(folder->CDATA());
  EXPECT_EQ(NodeTitle(FindNodeByID(db.Root(), 2)), "r");
  EXPECT_EQ(RecordData(FindNodeByID(db.Root(), 2)), "x > 1");
}

TEST(DataBankContent, DeepTreesAreWalkedWithoutRecursion) {
  // 100000 nested folders: every walk must cope without exhausting the stack.
  std::string xml = "<dataroot>";
  const int depth = 100000;
  for (int i = 1; i <= depth; ++i) xml += "<folder ID='" + std::to_string(i) + "'>\"t&lt;\"";
  for (int i = 0; i < depth; ++i) xml += "</folder>";
  xml += "</dataroot>";
  TXMLDataBase2 db;
  Load(db, xml);
  EXPECT_EQ(HighestNodeID(db.Root()), depth);
  EXPECT_NE(FindNodeByID(db.Root(), depth), nullptr);
  ConvertOldFormat(db.Root());
  EXPECT_EQ(NodeTitle(FindNodeByID(db.Root(), depth)), "t<");
  int next = 1;
  RenumberSubtree(FindNodeByID(db.Root(), 1), next, db.Root());
  EXPECT_EQ(next, depth + 1);
}

// The tree map's hash table agrees with the standard containers through random additions,
// replacements and removals on a few keys (so entries collide, wrap round the array's end and move
// back when one before them goes), across growth; pointer keys and int keys alike. As the node map
// uses it (one entry a key: InsertOrAssign, Find, Erase of the key) and as the ID map does (a key
// more than once: Insert, FindAll, Erase of one key and value).
TEST(DataBankContent, FlatMultiMapAgreesWithTheStandardContainers) {
  std::mt19937 rng(11);
  auto run = [&](auto key) {
    using K = decltype(key(0));
    TFlatMultiMap<K, int> unique, multi;
    std::unordered_map<K, int> one;
    std::unordered_multimap<K, int> many;
    for (int step = 0; step < 20000; ++step) {
      const K k = key(int(rng() % 40));
      const int v = int(rng() % 5);
      switch (rng() % 3) {
        case 0:
          ASSERT_EQ(unique.InsertOrAssign(k, v), one.insert_or_assign(k, v).second);
          multi.Insert(k, v);
          many.emplace(k, v);
          break;
        case 1: {
          ASSERT_EQ(unique.Erase(k, 0, false), one.erase(k) == 1);
          const auto [first, last] = many.equal_range(k);
          auto it = std::find_if(first, last, [&](const auto& e) { return e.second == v; });
          ASSERT_EQ(multi.Erase(k, v), it != last);
          if (it != last) many.erase(it);
          break;
        }
        default: {
          const int* found = unique.Find(k);
          ASSERT_EQ(found != nullptr, one.count(k) == 1);
          if (found) {
            ASSERT_EQ(*found, one.at(k));
          }
          std::vector<int> all = multi.FindAll(k), expected;
          for (auto [it, last] = many.equal_range(k); it != last; ++it) expected.push_back(it->second);
          std::sort(all.begin(), all.end());
          std::sort(expected.begin(), expected.end());
          ASSERT_EQ(all, expected);
          break;
        }
      }
      ASSERT_EQ(unique.Size(), one.size());
      ASSERT_EQ(multi.Size(), many.size());
    }
  };
  static int anchors[40];
  run([](int i) { return &anchors[i]; });
  run([](int i) { return i * 1024; });
}

// Entries made beside the window as parts of the map (a large paste each) answer as the map's own:
// a map that took the top-level subtrees as parts, one after the other (more of them than it keeps
// apart, so some are folded in), agrees with one filled from the whole item list, through lookups by
// node and by ID (an ID held twice, once in a part: the first in display order wins), removals of
// subtrees and a node given another item.
TEST(DataBankContent, PartsOfTheNodeMapAnswerAsItsOwnEntries) {
  std::string xml = "<dataroot><record ID='3'>first</record>";
  for (int t = 0; t < 7; ++t) {
    const std::string base = std::to_string(100 * (t + 1));
    xml += "<folder ID='" + base + "'>f<record ID='" + base + "1'>a</record><folder ID='" + base + "2'>g<record ID='" +
           base + "3'>b</record></folder></folder>";
  }
  xml += "<record ID='3'>twice</record></dataroot>";
  TXMLDataBase2 db;
  Load(db, xml);
  const std::vector<TTreeItemSpec> specs = BuildTreeSpecs(db.Root(), TTreeImages());
  std::vector<TTreeItem*> items;
  for (size_t i = 0; i < specs.size(); ++i) items.push_back(reinterpret_cast<TTreeItem*>(i + 1));
  TTreeNodeMap whole, parted;
  whole.AddAll(specs, items);
  // The first record into the table; each folder's subtree (four specs) as a part; the last record
  // into the table again.
  parted.AddAll({specs[0]}, {items[0]});
  for (size_t first = 1; first + 4 < specs.size(); first += 4) {
    std::vector<TTreeItemSpec> part(specs.begin() + long(first), specs.begin() + long(first) + 4);
    std::vector<TTreeItem*> made(items.begin() + long(first), items.begin() + long(first) + 4);
    parted.AddPart(TTreeNodeMap::MakePart(part, made));
  }
  parted.AddAll({specs.back()}, {items.back()});
  auto same = [&](const char* when) {
    SCOPED_TRACE(when);
    ASSERT_EQ(parted.Size(), whole.Size());
    for (const TTreeItemSpec& s : specs) {
      EXPECT_EQ(parted.ItemOf(s.Node), whole.ItemOf(s.Node));
      EXPECT_EQ(parted.Contains(s.Node), whole.Contains(s.Node));
      if (s.ID >= 0) {
        EXPECT_EQ(parted.FindByID(s.ID), whole.FindByID(s.ID)) << s.ID;
      }
    }
  };
  same("added");
  EXPECT_EQ(parted.FindByID(3), specs[0].Node);
  for (size_t at : {size_t(5), size_t(2), size_t(0), size_t(9), size_t(13)}) {
    whole.RemoveSubtree(specs[at].Node);
    parted.RemoveSubtree(specs[at].Node);
  }
  same("removed");
  EXPECT_EQ(parted.FindByID(3), specs.back().Node);
  auto* other = reinterpret_cast<TTreeItem*>(999);
  whole.Add(specs[21].Node, other);
  parted.Add(specs[21].Node, other);
  same("another item");
  EXPECT_EQ(parted.ItemOf(specs[21].Node), other);
}
