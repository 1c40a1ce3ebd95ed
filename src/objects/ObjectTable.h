#pragma once

#include <cstdint>
#include <string>

#include "memory/StoryImage.h"
#include "text/ZText.h"

namespace lantern {

/// A view of one object of the story's object table.
class zObject {
public:
    int32_t ObjNo() const { return m_objNo; }
    std::string ShortName() const { return {}; }

private:
    int32_t m_objNo = 0;
};

/// The story's object table and its tree.
class ObjectTable {
public:
    ObjectTable(StoryImage& story, ZText& text) : m_story(story), m_text(text) {}

    /// Game start and restart: every view is made afresh.
    void Reset() {}
    zObject GetObject(int32_t) { return {}; }

private:
    StoryImage& m_story;
    ZText& m_text;
};

} // namespace lantern
