#pragma once

#include "machine/zInstruction.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace lantern::test {

/// A tiny assembler for unit tests: instructions as byte vectors, joined with +.
using Bytes = std::vector<uint8_t>;

struct Operand {
    int value;
    OperandKind kind;
};

/// A constant: small when it fits a byte, else large.
inline Operand C(int v) {
    return {v, (v >= 0 && v <= 255) ? kSmallConstant : kLargeConstant};
}
/// A large constant, whatever its value.
inline Operand L(int v) {
    return {v, kLargeConstant};
}
/// A variable: 0 the stack, 1-15 locals, 16-255 globals.
inline Operand V(int n) {
    return {n, kVariable};
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

namespace detail {
inline void Put(Bytes& out, const Operand& o) {
    if (o.kind == kLargeConstant) {
        out.push_back(static_cast<uint8_t>((o.value >> 8) & 0xFF));
        out.push_back(static_cast<uint8_t>(o.value & 0xFF));
    } else {
        out.push_back(static_cast<uint8_t>(o.value & 0xFF));
    }
}
inline int TypeBits(const Operand& o) {
    return o.kind == kLargeConstant ? 0 : (o.kind == kSmallConstant ? 1 : 2);
}
inline void Types(Bytes& out, const std::vector<Operand>& ops, size_t from) {
    int byte = 0;
    for (size_t i = 0; i < 4; ++i) {
        const size_t k = from + i;
        byte = (byte << 2) | (k < ops.size() ? TypeBits(ops[k]) : 3);
    }
    out.push_back(static_cast<uint8_t>(byte));
}
} // namespace detail

inline Bytes Op0(int op) {
    return {static_cast<uint8_t>(0xB0 | op)};
}

inline Bytes Op1(int op, Operand a) {
    const int type = detail::TypeBits(a);
    Bytes out{static_cast<uint8_t>(0x80 | (type << 4) | op)};
    detail::Put(out, a);
    return out;
}

/// A VAR-class instruction (or a 2OP one in variable form when is2Op).
inline Bytes OpVar(int op, std::vector<Operand> ops, bool is2Op = false) {
    Bytes out{static_cast<uint8_t>((is2Op ? 0xC0 : 0xE0) | op)};
    detail::Types(out, ops, 0);
    if (!is2Op && (op == 12 || op == 26))
        detail::Types(out, ops, 4);
    for (const Operand& o : ops)
        detail::Put(out, o);
    return out;
}

/// A 2OP instruction: the long form when both operands allow it.
inline Bytes Op2(int op, Operand a, Operand b) {
    if (a.kind == kLargeConstant || b.kind == kLargeConstant)
        return OpVar(op, {a, b}, true);
    Bytes out{static_cast<uint8_t>(((a.kind == kVariable) ? 0x40 : 0) |
                                   ((b.kind == kVariable) ? 0x20 : 0) | op)};
    detail::Put(out, a);
    detail::Put(out, b);
    return out;
}

inline Bytes OpExt(int op, std::vector<Operand> ops) {
    Bytes out{0xBE, static_cast<uint8_t>(op)};
    detail::Types(out, ops, 0);
    for (const Operand& o : ops)
        detail::Put(out, o);
    return out;
}

inline Bytes Store(int variable) {
    return {static_cast<uint8_t>(variable)};
}

/// Branch bytes: taken when the condition equals `when`; offset 0 returns false, 1 true,
/// otherwise the target is the address after the branch bytes plus offset - 2.
inline Bytes BranchBy(bool when, int offset) {
    if (offset >= 0 && offset <= 63)
        return {static_cast<uint8_t>((when ? 0x80 : 0) | 0x40 | offset)};
    const int v = offset & 0x3FFF;
    return {static_cast<uint8_t>((when ? 0x80 : 0) | (v >> 8)), static_cast<uint8_t>(v & 0xFF)};
}

// Common opcodes, by name.
inline Bytes Quit() {
    return Op0(10);
}
inline Bytes Rtrue() {
    return Op0(0);
}
inline Bytes Rfalse() {
    return Op0(1);
}

} // namespace lantern::test
