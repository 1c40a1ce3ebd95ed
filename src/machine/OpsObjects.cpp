// Object opcodes. Object 0 reads as an object with no links, attributes or properties, and the
// opcodes that would change it change nothing.
#include "machine/zMachine.h"

namespace lantern {

void zMachine::OpGetSibling(const Predecoded& in) {
    const int32_t sibling = m_objects.GetObject(Arg(in, 1, true)).Sibling();
    StoreResult(in, sibling);
    Branch(sibling != 0, in);
}

void zMachine::OpGetChild(const Predecoded& in) {
    const int32_t child = m_objects.GetObject(Arg(in, 1, true)).Child();
    StoreResult(in, child);
    Branch(child != 0, in);
}

void zMachine::OpGetParent(const Predecoded& in) {
    StoreResult(in, m_objects.GetObject(Arg(in, 1, true)).Parent());
    Next(in);
}

void zMachine::OpGetPropLen(const Predecoded& in) {
    StoreResult(in, m_objects.PropLenAt(Arg(in, 1, true)));
    Next(in);
}

void zMachine::OpRemoveObj(const Predecoded& in) {
    m_objects.PerformRemove(Arg(in, 1, true));
    Next(in);
}

void zMachine::OpInsertObj(const Predecoded& in) {
    const int32_t object = Arg(in, 1, true);
    const int32_t destination = Arg(in, 2, true);
    m_objects.PerformInsert(object, destination);
    Next(in);
}

void zMachine::OpJin(const Predecoded& in) {
    const int32_t object = Arg(in, 1, true);
    const int32_t parent = Arg(in, 2, true);
    // Object 0 has no parent: its parent reads as 0, as for any object in nothing.
    Branch(m_objects.GetObject(object).Parent() == parent, in);
}

void zMachine::OpTestAttr(const Predecoded& in) {
    const int32_t object = Arg(in, 1, true);
    const int32_t attribute = Arg(in, 2, true);
    Branch(m_objects.GetObject(object).GetAttribute(attribute), in);
}

void zMachine::OpSetAttr(const Predecoded& in) {
    const int32_t object = Arg(in, 1, true);
    const int32_t attribute = Arg(in, 2, true);
    m_objects.GetObject(object).SetAttribute(attribute);
    Next(in);
}

void zMachine::OpClearAttr(const Predecoded& in) {
    const int32_t object = Arg(in, 1, true);
    const int32_t attribute = Arg(in, 2, true);
    m_objects.GetObject(object).ClearAttribute(attribute);
    Next(in);
}

void zMachine::OpGetProp(const Predecoded& in) {
    const int32_t object = Arg(in, 1, true);
    const int32_t property = Arg(in, 2, true);
    StoreResult(in, m_objects.GetObject(object).Prop(property));
    Next(in);
}

void zMachine::OpGetPropAddr(const Predecoded& in) {
    const int32_t object = Arg(in, 1, true);
    const int32_t property = Arg(in, 2, true);
    StoreResult(in, m_objects.GetObject(object).PropAddr(property));
    Next(in);
}

void zMachine::OpGetNextProp(const Predecoded& in) {
    const int32_t object = Arg(in, 1, true);
    const int32_t property = Arg(in, 2, true);
    StoreResult(in, m_objects.GetObject(object).NextProp(property));
    Next(in);
}

void zMachine::OpPutProp(const Predecoded& in) {
    const int32_t object = Arg(in, 1, true);
    const int32_t property = Arg(in, 2, true);
    const int32_t value = Arg(in, 3, false);
    m_objects.GetObject(object).SetProp(property, value);
    Next(in);
}

} // namespace lantern
