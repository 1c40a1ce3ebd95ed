// Object opcodes.
#include "machine/zMachine.h"

namespace lantern {

// Placeholders until the object table lands: every object reads as empty.

void zMachine::OpGetSibling(const zInstruction& in) {
    Arg(in, 1, true);
    StoreResult(in, 0);
    Branch(false, in);
}

void zMachine::OpGetChild(const zInstruction& in) {
    Arg(in, 1, true);
    StoreResult(in, 0);
    Branch(false, in);
}

void zMachine::OpGetParent(const zInstruction& in) {
    Arg(in, 1, true);
    StoreResult(in, 0);
    Next(in);
}

void zMachine::OpGetPropLen(const zInstruction& in) {
    Arg(in, 1, true);
    StoreResult(in, 0);
    Next(in);
}

void zMachine::OpRemoveObj(const zInstruction& in) {
    Arg(in, 1, true);
    Next(in);
}

void zMachine::OpInsertObj(const zInstruction& in) {
    Arg(in, 1, true);
    Arg(in, 2, true);
    Next(in);
}

void zMachine::OpJin(const zInstruction& in) {
    Arg(in, 1, true);
    Arg(in, 2, true);
    Branch(false, in);
}

void zMachine::OpTestAttr(const zInstruction& in) {
    Arg(in, 1, true);
    Arg(in, 2, true);
    Branch(false, in);
}

void zMachine::OpSetAttr(const zInstruction& in) {
    Arg(in, 1, true);
    Arg(in, 2, true);
    Next(in);
}

void zMachine::OpClearAttr(const zInstruction& in) {
    Arg(in, 1, true);
    Arg(in, 2, true);
    Next(in);
}

void zMachine::OpGetProp(const zInstruction& in) {
    Arg(in, 1, true);
    Arg(in, 2, true);
    StoreResult(in, 0);
    Next(in);
}

void zMachine::OpGetPropAddr(const zInstruction& in) {
    Arg(in, 1, true);
    Arg(in, 2, true);
    StoreResult(in, 0);
    Next(in);
}

void zMachine::OpGetNextProp(const zInstruction& in) {
    Arg(in, 1, true);
    Arg(in, 2, true);
    StoreResult(in, 0);
    Next(in);
}

void zMachine::OpPutProp(const zInstruction& in) {
    Arg(in, 1, true);
    Arg(in, 2, true);
    Arg(in, 3, false);
    Next(in);
}

} // namespace lantern
