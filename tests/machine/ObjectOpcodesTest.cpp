// The object opcodes, run in the machine over object tables built in memory.
#include "support/MachineFixture.h"
#include "support/ObjectBuilder.h"

namespace lantern::test {
namespace {

constexpr int kQuit = 0xBA;
// A one-byte branch on true that skips the 3-byte "store flag 1" after it: the flag global is 1
// after the run exactly when the branch was not taken.
constexpr int kSkipStore = 0xC5;

class ObjectOpcodes : public MachineFixture {
  protected:
    // A room (1) holding a box (2) and a lamp (3); the box holds a coin (4). Properties of the
    // lamp: 20 (a word), 15 (a byte), 3 (four bytes); default of property 9 is 77.
    void BuildObjects(StoryBuilder& b) {
        ObjectBuilder objects(b);
        objects.Default(9, 77);
        objects.Add(1, {0, 0, 2, {}, "room", {}});
        objects.Add(2, {1, 3, 4, {5}, "box", {}});
        lampProps = objects.Add(
            3, {1, 0, 0, {0, 30}, "lamp", {{20, {0x01, 0x02}}, {15, {9}}, {3, {1, 2, 3, 4}}}});
        objects.Add(4, {2, 0, 0, {}, "coin", {}});
        lampEntry = objects.Entry(3);
    }
    int32_t lampProps = 0;
    int32_t lampEntry = 0;
};

TEST_F(ObjectOpcodes, TreeLinksAreStoredAndBranchOnNonZero) {
    StoryBuilder b(5);
    BuildObjects(b);
    b.Code({0x91, 2, 0x10, kSkipStore, 0x0D, 17, 1}); // get_sibling box -> G16
    b.Code({0x91, 3, 0x12, kSkipStore, 0x0D, 19, 1}); // get_sibling lamp -> G18
    b.Code({0x92, 2, 0x14, kSkipStore, 0x0D, 21, 1}); // get_child box -> G20
    b.Code({0x92, 4, 0x16, kSkipStore, 0x0D, 23, 1}); // get_child coin -> G22
    b.Code({0x93, 4, 0x18});                          // get_parent coin -> G24
    b.Code({0x92, 0, 0x19, kSkipStore, 0x0D, 26, 1}); // get_child 0 -> G25
    b.Code({0x93, 0, 0x1B});                          // get_parent 0 -> G27
    b.Code({kQuit});
    b.SetGlobal(27, 99);
    Start(b);
    Run();
    EXPECT_EQ(fault, "");
    EXPECT_EQ(Global(16), 3);
    EXPECT_EQ(Global(17), 0); // branched
    EXPECT_EQ(Global(18), 0);
    EXPECT_EQ(Global(19), 1); // did not branch
    EXPECT_EQ(Global(20), 4);
    EXPECT_EQ(Global(21), 0);
    EXPECT_EQ(Global(22), 0);
    EXPECT_EQ(Global(23), 1);
    EXPECT_EQ(Global(24), 2);
    EXPECT_EQ(Global(25), 0);
    EXPECT_EQ(Global(26), 1);
    EXPECT_EQ(Global(27), 0);
}

TEST_F(ObjectOpcodes, JinAndAttributes) {
    StoryBuilder b(5);
    BuildObjects(b);
    b.Code({0x06, 4, 2, kSkipStore, 0x0D, 16, 1});  // jin coin box: branches
    b.Code({0x06, 4, 1, kSkipStore, 0x0D, 17, 1});  // jin coin room: does not
    b.Code({0x06, 1, 0, kSkipStore, 0x0D, 18, 1});  // jin room 0: the room has no parent
    b.Code({0x06, 0, 0, kSkipStore, 0x0D, 19, 1});  // jin 0 0: object 0's parent reads as 0
    b.Code({0x0A, 3, 30, kSkipStore, 0x0D, 20, 1}); // test_attr lamp 30
    b.Code({0x0B, 3, 47});                          // set_attr lamp 47
    b.Code({0x0C, 3, 0});                           // clear_attr lamp 0
    b.Code({0x0A, 3, 0, kSkipStore, 0x0D, 21, 1});
    b.Code({0x0B, 3, 48}); // past the flags: nothing
    b.Code({0x0A, 3, 48, kSkipStore, 0x0D, 22, 1});
    b.Code({0x0A, 0, 0, kSkipStore, 0x0D, 23, 1}); // test_attr 0
    b.Code({0x0B, 0, 0});                          // set_attr 0: the header stays
    b.Code({kQuit});
    Start(b);
    const int headerByte = machine->Story().ReadByte(0);
    Run();
    EXPECT_EQ(fault, "");
    EXPECT_EQ(Global(16), 0);
    EXPECT_EQ(Global(17), 1);
    EXPECT_EQ(Global(18), 0);
    EXPECT_EQ(Global(19), 0);
    EXPECT_EQ(Global(20), 0);
    EXPECT_EQ(Global(21), 1);
    EXPECT_EQ(Global(22), 1);
    EXPECT_EQ(Global(23), 1);
    const StoryImage& story = machine->Story();
    EXPECT_EQ(story.ReadByte(lampEntry), 0x00);
    EXPECT_EQ(story.ReadByte(lampEntry + 3), 0x02); // attribute 30
    EXPECT_EQ(story.ReadByte(lampEntry + 5), 0x01); // attribute 47
    EXPECT_EQ(story.ReadByte(lampEntry + 6), 0x00); // the parent word is untouched
    EXPECT_EQ(story.ReadByte(lampEntry + 7), 0x01);
    EXPECT_EQ(story.ReadByte(0), headerByte);
}

TEST_F(ObjectOpcodes, PropertiesValuesAddressesLengthsAndTheNextProperty) {
    StoryBuilder b(5);
    BuildObjects(b);
    b.Code({0x11, 3, 20, 0x10});             // get_prop lamp 20 -> G16
    b.Code({0x11, 3, 15, 0x11});             // get_prop lamp 15 -> G17
    b.Code({0x11, 3, 9, 0x12});              // get_prop lamp 9 -> G18 (default)
    b.Code({0x12, 3, 3, 0x13});              // get_prop_addr lamp 3 -> G19
    b.Code({0xA4, 0x13, 0x14});              // get_prop_len G19 -> G20
    b.Code({0x12, 3, 9, 0x15});              // get_prop_addr lamp 9 -> G21
    b.Code({0xA4, 0x15, 0x16});              // get_prop_len G21 (0) -> G22
    b.Code({0x13, 3, 0, 0x17});              // get_next_prop lamp 0 -> G23
    b.Code({0x13, 3, 20, 0x18});             // get_next_prop lamp 20 -> G24
    b.Code({0x13, 3, 3, 0x19});              // get_next_prop lamp 3 -> G25
    b.Code({0x11, 0, 20, 0x1A});             // get_prop 0 20 -> G26
    b.Code({0xE3, 0x53, 3, 20, 0xAB, 0xCD}); // put_prop lamp 20 0xABCD
    b.Code({0xE3, 0x53, 3, 15, 0x12, 0x34}); // put_prop lamp 15 0x1234: one byte
    b.Code({0xE3, 0x53, 3, 9, 0x00, 0x05});  // put_prop lamp 9: the lamp lacks it
    b.Code({0xE3, 0x53, 0, 9, 0x00, 0x05});  // put_prop 0 9: nothing
    b.Code({kQuit});
    Start(b);
    Run();
    EXPECT_EQ(fault, "");
    EXPECT_EQ(Global(16), 0x0102);
    EXPECT_EQ(Global(17), 9);
    EXPECT_EQ(Global(18), 77);
    EXPECT_EQ(Global(19), lampProps + 1 + 4 + (1 + 2) + (1 + 1) + 2); // name, 20, 15, size bytes
    EXPECT_EQ(Global(20), 4);
    EXPECT_EQ(Global(21), 0);
    EXPECT_EQ(Global(22), 0);
    EXPECT_EQ(Global(23), 20);
    EXPECT_EQ(Global(24), 15);
    EXPECT_EQ(Global(25), 0);
    EXPECT_EQ(Global(26), 0);
    const StoryImage& story = machine->Story();
    EXPECT_EQ(story.ReadWord(machine->Objects().GetObject(3).PropAddr(20), true), 0xABCD);
    EXPECT_EQ(story.ReadByte(machine->Objects().GetObject(3).PropAddr(15)), 0x34);
    EXPECT_EQ(machine->Objects().GetObject(3).Prop(9), 77);
}

TEST_F(ObjectOpcodes, GetPropLenOfVersionThreeAndLongProperties) {
    StoryBuilder b(3);
    b.Bytes(0x2000, {0xE5, 0, 0x12, 0});
    b.Code({0x84, 0x20, 0x01, 0x10}); // get_prop_len 0x2001 -> G16
    b.Code({0x84, 0x20, 0x03, 0x11}); // get_prop_len 0x2003 -> G17
    b.Code({0x84, 0x00, 0x00, 0x12}); // get_prop_len 0 -> G18
    b.Code({kQuit});
    Start(b);
    Run();
    EXPECT_EQ(Global(16), 8);
    EXPECT_EQ(Global(17), 1);
    EXPECT_EQ(Global(18), 0);

    StoryBuilder v5(5);
    v5.Bytes(0x2000, {0x92, 0x80, 0, 0x45, 0, 0x05});
    v5.Code({0x84, 0x20, 0x02, 0x10});
    v5.Code({0x84, 0x20, 0x04, 0x11});
    v5.Code({0x84, 0x20, 0x06, 0x12});
    v5.Code({kQuit});
    Start(v5);
    Run();
    EXPECT_EQ(Global(16), 64);
    EXPECT_EQ(Global(17), 2);
    EXPECT_EQ(Global(18), 1);
}

TEST_F(ObjectOpcodes, InsertAndRemoveReadTheirOperandsInOrder) {
    StoryBuilder b(5);
    BuildObjects(b);
    b.Code({0xE8, 0x7F, 1});    // push room
    b.Code({0xE8, 0x7F, 4});    // push coin
    b.Code({0x6E, 0x00, 0x00}); // insert_obj sp sp: the coin (popped first) into the room
    b.Code({0x99, 2});          // remove_obj box (now the middle child)
    b.Code({0x99, 0});          // remove_obj 0: nothing
    b.Code({0x0E, 0, 1});       // insert_obj 0 room: nothing
    b.Code({0x0E, 3, 0});       // insert_obj lamp 0: nothing
    b.Code({kQuit});
    Start(b);
    Run();
    EXPECT_EQ(fault, "");
    ObjectTable& objects = machine->Objects();
    EXPECT_EQ(objects.GetObject(1).Child(), 4);
    EXPECT_EQ(objects.GetObject(4).Sibling(), 3);
    EXPECT_EQ(objects.GetObject(3).Sibling(), 0);
    EXPECT_EQ(objects.GetObject(3).Parent(), 1);
    EXPECT_EQ(objects.GetObject(2).Parent(), 0);
    EXPECT_EQ(objects.GetObject(2).Child(), 0);
    EXPECT_EQ(machine->StackPointer(), 0);
}

TEST_F(ObjectOpcodes, DirectWritesAndObjectOpcodesSeeEachOther) {
    StoryBuilder b(5);
    BuildObjects(b);
    const int32_t data20 = lampProps + 1 + 4 + 1; // after the name's length byte and 2 words
    // storew the lamp's property 20, then get_prop sees it.
    b.Code({0xE1, 0x13, data20 >> 8, data20 & 0xFF, 0, 0x04, 0xD2});
    b.Code({0x11, 3, 20, 0x10});
    // storeb the lamp's first flag byte: attribute 1 on, 0 off; test_attr sees it.
    b.Code({0xE2, 0x17, lampEntry >> 8, lampEntry & 0xFF, 0, 0x40});
    b.Code({0x0A, 3, 1, kSkipStore, 0x0D, 17, 1});
    // storew the lamp's parent word: the lamp now claims the box, and the box its child list
    // starts with the lamp (the story keeps the tree consistent itself).
    b.Code({0xE1, 0x17, lampEntry >> 8, lampEntry & 0xFF, 3, 2});
    b.Code({0x06, 3, 2, kSkipStore, 0x0D, 18, 1}); // jin lamp box
    // set_attr afterwards keeps the story's other bits, and put_prop shows through loadw.
    b.Code({0x0B, 3, 7});
    b.Code({0xE3, 0x53, 3, 20, 0x11, 0x22});
    b.Code({0xCF, 0x1F, data20 >> 8, data20 & 0xFF, 0, 0x13}); // loadw data20 0 -> G19
    b.Code({kQuit});
    Start(b);
    Run();
    EXPECT_EQ(fault, "");
    EXPECT_EQ(Global(16), 1234);
    EXPECT_EQ(Global(17), 0);
    EXPECT_EQ(Global(18), 0);
    EXPECT_EQ(Global(19), 0x1122);
    EXPECT_EQ(machine->Story().ReadByte(lampEntry), 0x41);
}

TEST_F(ObjectOpcodes, ABrokenTreeEndsTheGameWithAFault) {
    StoryBuilder b(5);
    BuildObjects(b);
    ObjectBuilder(b, 0x3800).Add(5, {1, 0, 0, {}, "stray", {}});
    b.Code({0x99, 5}); // remove_obj stray
    b.Code({kQuit});
    Start(b);
    EXPECT_EQ(Run(), GameOutcome::Kind::Fault);
    EXPECT_EQ(fault, "object 5 is missing from the children of its parent 1");
}

TEST_F(ObjectOpcodes, PrintObjPrintsTheShortName) {
    StoryBuilder b(3);
    BuildObjects(b);
    b.Code({0x9A, 3, 0x9A, 0, 0x9A, 2, kQuit}); // print_obj lamp, 0, box
    Start(b);
    Run();
    EXPECT_EQ(fault, "");
    EXPECT_EQ(output, "lampbox");
}

} // namespace
} // namespace lantern::test
