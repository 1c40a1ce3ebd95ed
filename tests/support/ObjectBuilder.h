#pragma once

#include "support/StoryBuilder.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lantern::test {

/// One object for ObjectBuilder: its links, attributes, short name and properties (number and
/// data bytes, in table order).
struct TestObject {
    int parent = 0;
    int sibling = 0;
    int child = 0;
    std::vector<int> attributes;
    std::string name;
    std::vector<std::pair<int, std::vector<uint8_t>>> properties;
};

/// Writes an object table into a StoryBuilder's image at StoryBuilder::kObjects, in the layout
/// of the builder's version, with the property tables from propertyArea on.
class ObjectBuilder {
  public:
    explicit ObjectBuilder(StoryBuilder& story, int32_t propertyArea = 0x3000)
        : m_story(story), m_next(propertyArea) {}

    bool Small() const { return m_story.Version() <= 3; }
    int32_t Entry(int n) const {
        return StoryBuilder::kObjects + (Small() ? 62 + 9 * (n - 1) : 126 + 14 * (n - 1));
    }

    ObjectBuilder& Default(int property, int value) {
        m_story.Word(StoryBuilder::kObjects + 2 * (property - 1), value);
        return *this;
    }

    /// Writes object n and its property table; returns the property table's address.
    int32_t Add(int n, const TestObject& object) {
        const int32_t entry = Entry(n);
        for (int a : object.attributes) {
            const int32_t at = entry + a / 8;
            m_story.Byte(at, m_story.Raw()[static_cast<size_t>(at)] | (0x80 >> (a % 8)));
        }
        const int32_t table = m_next;
        if (Small()) {
            m_story.Bytes(entry + 4, {object.parent, object.sibling, object.child});
            m_story.Word(entry + 7, table);
        } else {
            m_story.Word(entry + 6, object.parent).Word(entry + 8, object.sibling);
            m_story.Word(entry + 10, object.child).Word(entry + 12, table);
        }
        int32_t p = table + 1;
        if (object.name.empty()) {
            m_story.Byte(table, 0);
        } else {
            const std::vector<uint8_t> name = m_story.Encode(object.name);
            m_story.Byte(table, static_cast<int>(name.size() / 2));
            for (uint8_t b : name)
                m_story.Byte(p++, b);
        }
        for (const auto& [number, data] : object.properties) {
            const int length = static_cast<int>(data.size());
            if (Small()) {
                m_story.Byte(p++, 32 * (length - 1) + number);
            } else if (length == 1 || length == 2) {
                m_story.Byte(p++, (length == 2 ? 0x40 : 0) | number);
            } else {
                m_story.Byte(p++, 0x80 | number);
                m_story.Byte(p++, 0x80 | (length & 63));
            }
            for (uint8_t b : data)
                m_story.Byte(p++, b);
        }
        m_story.Byte(p++, 0);
        m_next = p;
        return table;
    }

  private:
    StoryBuilder& m_story;
    int32_t m_next;
};

} // namespace lantern::test
