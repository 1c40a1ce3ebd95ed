// Object opcodes. Object 0 reads as an object with no links, attributes or properties, and the
// opcodes that would change it change nothing.
#include "machine/zMachine.h"

namespace lantern {

void zMachine::OpGetSibling(const Predecoded& in, Unsigned object) {
    const int32_t sibling = m_objects.GetObject(object).Sibling();
    StoreAndBranch(in, sibling, sibling != 0);
}

void zMachine::OpGetChild(const Predecoded& in, Unsigned object) {
    const int32_t child = m_objects.GetObject(object).Child();
    StoreAndBranch(in, child, child != 0);
}

void zMachine::OpGetParent(const Predecoded& in, Unsigned object) {
    StoreAndNext(in, m_objects.GetObject(object).Parent());
}

void zMachine::OpGetPropLen(const Predecoded& in, Unsigned address) {
    StoreAndNext(in, m_objects.PropLenAt(address));
}

void zMachine::OpRemoveObj(const Predecoded& in, Unsigned object) {
    Next(in);
    m_objects.PerformRemove(object);
}

void zMachine::OpInsertObj(const Predecoded& in, Unsigned object, Unsigned destination) {
    Next(in);
    m_objects.PerformInsert(object, destination);
}

void zMachine::OpJin(const Predecoded& in, Unsigned object, Unsigned parent) {
    // Object 0 has no parent: its parent reads as 0, as for any object in nothing.
    Branch(m_objects.GetObject(object).Parent() == parent, in);
}

void zMachine::OpTestAttr(const Predecoded& in, Unsigned object, Unsigned attribute) {
    Branch(m_objects.GetObject(object).GetAttribute(attribute), in);
}

void zMachine::OpSetAttr(const Predecoded& in, Unsigned object, Unsigned attribute) {
    Next(in);
    m_objects.GetObject(object).SetAttribute(attribute);
}

void zMachine::OpClearAttr(const Predecoded& in, Unsigned object, Unsigned attribute) {
    Next(in);
    m_objects.GetObject(object).ClearAttribute(attribute);
}

void zMachine::OpGetProp(const Predecoded& in, Unsigned object, Unsigned property) {
    StoreAndNext(in, m_objects.GetObject(object).Prop(property));
}

void zMachine::OpGetPropAddr(const Predecoded& in, Unsigned object, Unsigned property) {
    StoreAndNext(in, m_objects.GetObject(object).PropAddr(property));
}

void zMachine::OpGetNextProp(const Predecoded& in, Unsigned object, Unsigned property) {
    StoreAndNext(in, m_objects.GetObject(object).NextProp(property));
}

void zMachine::OpPutProp(const Predecoded& in, Unsigned object, Unsigned property, Signed value) {
    Next(in);
    m_objects.GetObject(object).SetProp(property, value);
}

} // namespace lantern
