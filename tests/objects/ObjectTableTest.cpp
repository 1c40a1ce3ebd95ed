#include "objects/ObjectTable.h"

#include "memory/StoryError.h"
#include "support/ObjectBuilder.h"

#include <gtest/gtest.h>

namespace lantern {
namespace {

using test::ObjectBuilder;
using test::StoryBuilder;
using test::TestObject;

class Objects : public ::testing::TestWithParam<int> {
  protected:
    Objects() : builder(GetParam()), objects(builder) {}

    ObjectTable& Table() {
        image = builder.Build();
        text.SetupAlphabets(image);
        table.Reset();
        return table;
    }
    bool Small() const { return GetParam() <= 3; }
    int32_t Entry(int n) const { return objects.Entry(n); }

    // A room (1) holding a box (2), a lamp (3) and a key (4); the box holds a coin (5).
    void BuildTree() {
        objects.Add(1, {0, 0, 2, {}, "room", {}});
        objects.Add(2, {1, 3, 5, {}, "box", {}});
        objects.Add(3, {1, 4, 0, {}, "lamp", {}});
        objects.Add(4, {1, 0, 0, {}, "key", {}});
        objects.Add(5, {2, 0, 0, {}, "coin", {}});
    }
    std::string Children(int n) {
        std::string names;
        for (int c = table.GetObject(n).Child(); c != 0; c = table.GetObject(c).Sibling()) {
            EXPECT_EQ(table.GetObject(c).Parent(), n);
            names += (names.empty() ? "" : " ") + table.GetObject(c).ShortName();
        }
        return names;
    }

    StoryBuilder builder;
    ObjectBuilder objects;
    StoryImage image;
    ZText text;
    ObjectTable table{image, text};
};

INSTANTIATE_TEST_SUITE_P(Layouts, Objects, ::testing::Values(3, 5, 8),
                         [](const auto& info) { return "V" + std::to_string(info.param); });

TEST_P(Objects, LinksNamesAndEntryAddressesFollowTheLayout) {
    BuildTree();
    ObjectTable& t = Table();
    const zObject box = t.GetObject(2);
    EXPECT_EQ(box.ObjNo(), 2);
    EXPECT_EQ(box.ObjTableAddr(), StoryBuilder::kObjects + (Small() ? 62 + 9 : 126 + 14));
    EXPECT_EQ(box.Parent(), 1);
    EXPECT_EQ(box.Sibling(), 3);
    EXPECT_EQ(box.Child(), 5);
    EXPECT_EQ(box.ShortName(), "box");
    EXPECT_EQ(Children(1), "box lamp key");
}

TEST_P(Objects, AttributesSitInTheFlagBytesFromTheTopBit) {
    const int last = Small() ? 31 : 47;
    objects.Add(1, {0, 0, 0, {0, 9, last}, "x", {}});
    ObjectTable& t = Table();
    zObject o = t.GetObject(1);
    EXPECT_TRUE(o.GetAttribute(0));
    EXPECT_TRUE(o.GetAttribute(9));
    EXPECT_TRUE(o.GetAttribute(last));
    EXPECT_FALSE(o.GetAttribute(1));
    EXPECT_EQ(image.ReadByte(Entry(1)), 0x80);
    EXPECT_EQ(image.ReadByte(Entry(1) + 1), 0x40);
    EXPECT_EQ(image.ReadByte(Entry(1) + last / 8), 0x01);
    o.SetAttribute(7);
    o.ClearAttribute(0);
    EXPECT_EQ(image.ReadByte(Entry(1)), 0x01);
    EXPECT_TRUE(t.GetObject(1).GetAttribute(7));
    // Past the flag bytes: clear, never set, and the link bytes after them are untouched.
    const std::vector<uint8_t> before = image.Bytes();
    o.SetAttribute(last + 1);
    o.SetAttribute(255);
    o.SetAttribute(-1);
    o.ClearAttribute(last + 1);
    EXPECT_FALSE(o.GetAttribute(last + 1));
    EXPECT_FALSE(o.GetAttribute(1000));
    EXPECT_EQ(image.Bytes(), before);
}

TEST_P(Objects, PropertiesValuesLengthsAndDefaults) {
    objects.Default(4, 0x1234).Default(Small() ? 31 : 63, -2);
    objects.Add(1, {0, 0, 0, {}, "thing", {{20, {0xAB, 0xCD}}, {15, {7}}, {3, {1, 2, 3, 4}}}});
    ObjectTable& t = Table();
    zObject o = t.GetObject(1);
    EXPECT_EQ(o.Prop(20), static_cast<int16_t>(0xABCD)); // a word, signed
    EXPECT_EQ(o.Prop(15), 7);
    EXPECT_EQ(o.Prop(3), 0); // longer than a word
    EXPECT_EQ(o.PropLen(20), 2);
    EXPECT_EQ(o.PropLen(15), 1);
    EXPECT_EQ(o.PropLen(3), 4);
    EXPECT_EQ(image.ReadByte(o.PropAddr(3)), 1);
    EXPECT_EQ(t.PropLenAt(o.PropAddr(3)), 4);
    EXPECT_EQ(t.PropLenAt(o.PropAddr(15)), 1);
    EXPECT_EQ(t.PropLenAt(0), 0);
    // Missing properties: the default value, no address, no length.
    EXPECT_EQ(o.Prop(4), 0x1234);
    EXPECT_EQ(o.Prop(Small() ? 31 : 63), -2);
    EXPECT_EQ(o.PropAddr(4), 0);
    EXPECT_EQ(o.PropLen(4), 0);
    EXPECT_EQ(o.Prop(0), 0);
    EXPECT_EQ(o.Prop(Small() ? 32 : 64), 0); // beyond the defaults table
}

TEST_P(Objects, NextPropWalksTheTableInItsOrder) {
    objects.Add(1, {0, 0, 0, {}, "thing", {{20, {0, 1}}, {15, {1}}, {3, {0, 0, 0}}}});
    objects.Add(2, {0, 0, 0, {}, "bare", {}});
    ObjectTable& t = Table();
    const zObject o = t.GetObject(1);
    EXPECT_EQ(o.NextProp(0), 20);
    EXPECT_EQ(o.NextProp(20), 15);
    EXPECT_EQ(o.NextProp(15), 3);
    EXPECT_EQ(o.NextProp(3), 0);
    EXPECT_EQ(o.NextProp(9), 0); // a number the object lacks
    EXPECT_EQ(t.GetObject(2).NextProp(0), 0);
}

TEST_P(Objects, PutPropWritesOnlyPropertiesOfOneOrTwoBytesThatExist) {
    objects.Default(9, 5);
    objects.Add(1, {0, 0, 0, {}, "thing", {{20, {0, 1}}, {15, {1}}, {3, {8, 8, 8}}}});
    ObjectTable& t = Table();
    zObject o = t.GetObject(1);
    o.SetProp(20, -3);
    EXPECT_EQ(image.ReadWord(o.PropAddr(20)), -3);
    o.SetProp(15, 0x1FF);
    EXPECT_EQ(image.ReadByte(o.PropAddr(15)), 0xFF);
    const std::vector<uint8_t> before = image.Bytes();
    o.SetProp(3, 1);
    o.SetProp(9, 1);
    EXPECT_EQ(image.Bytes(), before);
    EXPECT_EQ(o.Prop(9), 5); // still the default: the view agrees with memory
}

TEST_P(Objects, ViewsAndMemoryAgreeWhicheverWrites) {
    BuildTree();
    objects.Add(6, {0, 0, 0, {}, "pen", {{12, {0, 40}}}});
    ObjectTable& t = Table();
    zObject pen = t.GetObject(6);
    ASSERT_EQ(pen.Prop(12), 40);
    // The story writes the entry and the property data directly.
    image.WriteWord(pen.PropAddr(12), 99);
    image.WriteByte(Entry(6), 0x20);
    if (Small())
        image.WriteByte(Entry(6) + 4, 4);
    else
        image.WriteWord(Entry(6) + 6, 4);
    // The key's first child is now the pen.
    if (Small())
        image.WriteByte(Entry(4) + 6, 6);
    else
        image.WriteWord(Entry(4) + 10, 6);
    EXPECT_EQ(pen.Prop(12), 99);
    EXPECT_TRUE(pen.GetAttribute(2));
    EXPECT_EQ(pen.Parent(), 4);
    EXPECT_EQ(Children(4), "pen");
    // An object opcode afterwards keeps the story's writes.
    t.GetObject(6).SetAttribute(0);
    t.PerformInsert(5, 4);
    EXPECT_EQ(image.ReadByte(Entry(6)), 0xA0);
    EXPECT_EQ(pen.Prop(12), 99);
    EXPECT_EQ(Children(4), "coin pen");
    EXPECT_EQ(Children(2), "");
}

TEST_P(Objects, RemovingFirstMiddleAndLastChildren) {
    BuildTree();
    ObjectTable& t = Table();
    t.PerformRemove(3); // middle
    EXPECT_EQ(Children(1), "box key");
    EXPECT_EQ(t.GetObject(3).Parent(), 0);
    EXPECT_EQ(t.GetObject(3).Sibling(), 0);
    t.PerformRemove(4); // last
    EXPECT_EQ(Children(1), "box");
    t.PerformRemove(2); // first, and it keeps its own child
    EXPECT_EQ(Children(1), "");
    EXPECT_EQ(Children(2), "coin");
    t.PerformRemove(2); // no parent: only its own links are (re)written
    EXPECT_EQ(t.GetObject(2).Child(), 5);
}

TEST_P(Objects, InsertingMakesTheFirstChild) {
    BuildTree();
    ObjectTable& t = Table();
    t.PerformInsert(4, 1); // already a child of 1: moves to the front, listed once
    EXPECT_EQ(Children(1), "key box lamp");
    t.PerformInsert(2, 3); // the box and its coin go into the lamp
    EXPECT_EQ(Children(1), "key lamp");
    EXPECT_EQ(Children(3), "box");
    EXPECT_EQ(Children(2), "coin");
    t.PerformInsert(5, 1);
    EXPECT_EQ(Children(1), "coin key lamp");
}

TEST_P(Objects, ObjectZeroHasNothingAndChangesNothing) {
    BuildTree();
    ObjectTable& t = Table();
    const std::vector<uint8_t> before = image.Bytes();
    zObject none = t.GetObject(0);
    EXPECT_EQ(none.ObjNo(), 0);
    EXPECT_EQ(none.Parent() + none.Sibling() + none.Child(), 0);
    EXPECT_EQ(none.ShortName(), "");
    EXPECT_FALSE(none.GetAttribute(0));
    EXPECT_EQ(none.Prop(1), 0);
    EXPECT_EQ(none.PropAddr(1), 0);
    EXPECT_EQ(none.NextProp(0), 0);
    none.SetAttribute(0);
    none.SetParent(3);
    none.SetProp(1, 5);
    t.PerformRemove(0);
    t.PerformInsert(0, 1);
    t.PerformInsert(3, 0);
    EXPECT_EQ(image.Bytes(), before);
}

TEST_P(Objects, ObjectsNoLinkCanNameOrOutsideTheImageAreFaults) {
    BuildTree();
    ObjectTable& t = Table();
    if (Small()) {
        EXPECT_THROW(t.GetObject(256), StoryError);
    }
    EXPECT_THROW(t.GetObject(-1), StoryError);
    EXPECT_THROW(t.GetObject(Small() ? 255 * 9 : 2000), StoryError);
    EXPECT_THROW(t.PerformInsert(3, 2000), StoryError);
    EXPECT_EQ(Children(1), "box lamp key"); // the failed insert changed nothing
}

TEST_P(Objects, ABrokenSiblingChainIsAFaultNotAHangOrAWrongLink) {
    BuildTree();
    objects.Add(6, {1, 0, 0, {}, "stray", {}}); // names room 1 but is not among its children
    ObjectTable& t = Table();
    const std::vector<uint8_t> before = image.Bytes();
    try {
        t.PerformRemove(6);
        FAIL() << "no fault";
    } catch (const StoryError& e) {
        EXPECT_STREQ(e.what(), "object 6 is missing from the children of its parent 1");
    }
    EXPECT_EQ(image.Bytes(), before);
    // A loop: the key's sibling is the lamp again.
    if (Small())
        image.WriteByte(Entry(4) + 5, 3);
    else
        image.WriteWord(Entry(4) + 8, 3);
    try {
        t.PerformRemove(6);
        FAIL() << "no fault";
    } catch (const StoryError& e) {
        EXPECT_STREQ(e.what(), "the children of object 1 form a loop");
    }
}

TEST_P(Objects, AShortNameOfLengthZeroIsEmpty) {
    objects.Add(1, {0, 0, 0, {}, "", {{5, {1}}}});
    ObjectTable& t = Table();
    EXPECT_EQ(t.GetObject(1).ShortName(), "");
    EXPECT_EQ(t.GetObject(1).Prop(5), 1);
}

TEST(ObjectSizes, SizeBytesOfBothLayouts) {
    // Version 3: 0x52 is property 18 of length 3; 0x12 is property 18 of length 1.
    StoryBuilder v3(3);
    v3.Word(StoryBuilder::kObjects + 62 + 7, 0x3000);
    v3.Bytes(0x3000, {0, 0x52, 1, 2, 3, 0xE5, 1, 2, 3, 4, 5, 6, 7, 8, 0x12, 9, 0});
    StoryImage image3 = v3.Build();
    ZText text;
    ObjectTable t3(image3, text);
    EXPECT_EQ(t3.GetObject(1).PropLen(18), 3);
    EXPECT_EQ(t3.GetObject(1).NextProp(18), 5);
    EXPECT_EQ(t3.GetObject(1).PropLen(5), 8);
    EXPECT_EQ(t3.PropLenAt(0x3006), 8);
    // Version 5: 0x92 0x80 is property 18 of length 64; 0x52 is property 18 of length 2.
    StoryBuilder v5(5);
    v5.Word(StoryBuilder::kObjects + 126 + 12, 0x3000);
    v5.Bytes(0x3000, {0, 0x92, 0x80});
    v5.Bytes(0x3000 + 3 + 64, {0x45, 1, 2, 0x13, 7, 0});
    StoryImage image5 = v5.Build();
    ObjectTable t5(image5, text);
    EXPECT_EQ(t5.GetObject(1).PropLen(18), 64);
    EXPECT_EQ(t5.PropLenAt(0x3003), 64);
    EXPECT_EQ(t5.GetObject(1).PropLen(5), 2);
    EXPECT_EQ(t5.GetObject(1).Prop(5), 0x0102);
    EXPECT_EQ(t5.GetObject(1).Prop(19), 7);
    image5.WriteByte(0x3000 + 1, 0x52);
    EXPECT_EQ(t5.GetObject(1).PropLen(18), 2);
}

} // namespace
} // namespace lantern
