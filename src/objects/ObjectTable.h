#pragma once

#include "memory/StoryImage.h"
#include "text/ZText.h"

#include <cstdint>
#include <string>

namespace lantern {

/// The layout of the story's object table: the only thing kept between opcodes. Entries and
/// property data are read and written in story memory at every access, so a story that writes
/// them directly (STOREW, COPY_TABLE, a memory stream) and the object opcodes always agree.
struct ObjectCache {
    bool used = false;          ///< an object has been looked up since the layout was read
    bool smallEntries = true;   ///< versions 1 to 3: 9-byte entries with one-byte links
    int32_t tableAddress = 0;   ///< header word 0x0A: the property defaults
    int32_t firstEntry = 0;     ///< the entry of object 1, after the defaults
    int32_t entrySize = 9;      ///< 9 or 14 bytes
    int32_t attributeBytes = 4; ///< 4 or 6 flag bytes (attributes 0-31 or 0-47)
    int32_t maxProperty = 31;   ///< defaults held for properties 1..31 or 1..63
    int32_t maxObject = 255;    ///< what a link can name: 255 or 65535
    int32_t lastObject = 0;     ///< the last object a link can name whose entry lies in the image
};

/// A view of one object of the story's object table. It holds only the entry's address: every
/// read and write goes to story memory. The default view (object 0) has no parent, sibling,
/// child, attributes, properties or name, and its setters change nothing. A view is made for
/// the moment (it refers to its table's layout), and an entry it refers to lies whole in the
/// image, so that reading the entry needs no test.
class zObject {
  public:
    zObject() = default;

    int32_t ObjNo() const { return m_objNo; }
    /// The byte address of the object's entry (0 for object 0).
    int32_t ObjTableAddr() const { return m_entry; }

    int32_t Parent() const { return Link(0); }
    int32_t Sibling() const { return Link(1); }
    int32_t Child() const { return Link(2); }
    void SetParent(int32_t objNo) { SetLink(0, objNo); }
    void SetSibling(int32_t objNo) { SetLink(1, objNo); }
    void SetChild(int32_t objNo) { SetLink(2, objNo); }

    /// The address of the property table (0 for object 0).
    int32_t PropTableAddr() const {
        if (!m_story)
            return 0;
        return EntryWord(m_layout->smallEntries ? 7 : 12);
    }
    /// The decoded short name; empty when its length byte is 0.
    std::string ShortName() const;
    /// The same into name, which it replaces (a buffer the caller keeps).
    void ShortName(std::string& name) const;

    /// Attributes past the entry's flag bytes read as clear and are never set.
    bool GetAttribute(int32_t attr) const {
        if (!m_story || attr < 0 || attr >= 8 * m_layout->attributeBytes)
            return false;
        return (EntryByte(attr / 8) & (0x80 >> (attr % 8))) != 0;
    }
    void SetAttribute(int32_t attr);
    void ClearAttribute(int32_t attr);

    /// The value of a property: its byte or word, 0 when its data is longer than 2 bytes, the
    /// default when the object lacks it (0 for object 0 and for numbers without a default).
    int32_t Prop(int32_t propNo) const;
    /// PUT_PROP: writes the value into a property of 1 or 2 bytes that the object has; anything
    /// else changes nothing.
    void SetProp(int32_t propNo, int32_t value);
    /// The address of a property's data, or 0.
    int32_t PropAddr(int32_t propNo) const;
    /// The length of a property's data, or 0.
    int32_t PropLen(int32_t propNo) const;
    /// The property after propNo in table order (the first for 0); 0 after the last one and for
    /// a number the object lacks.
    int32_t NextProp(int32_t propNo) const;
    /// The default value of a property number (0 outside 1..31 or 1..63).
    int32_t PropDefault(int32_t propNo) const;

  private:
    friend class ObjectTable;
    zObject(StoryImage& story, ZText& text, const ObjectCache& layout, int32_t objNo, int32_t entry)
        : m_story(&story), m_text(&text), m_layout(&layout), m_objNo(objNo), m_entry(entry) {}

    /// One property as its size byte(s) describe it.
    struct Property {
        int32_t number = 0;
        int32_t data = 0;   ///< address of the data
        int32_t length = 0; ///< bytes of data
    };
    /// The property whose size byte is at address; number 0 marks the end of the list.
    Property ReadProperty(int64_t address) const;
    /// The same, given the size of the image in bytes.
    Property ReadPropertyAt(int64_t address, size_t limit) const;
    /// The first property of the list, after the short name.
    int64_t FirstProperty() const;
    /// Finds a property of the object; false when it has none of that number.
    bool FindProperty(int32_t propNo, Property& found) const;

    // Bytes and words of the entry, which lies in the image.
    int32_t EntryByte(int offset) const { return m_story->Data()[m_entry + offset]; }
    int32_t EntryWord(int offset) const {
        const uint8_t* p = m_story->Data() + m_entry + offset;
        return (p[0] << 8) | p[1];
    }
    int32_t Link(int which) const {
        if (!m_story)
            return 0;
        return m_layout->smallEntries ? EntryByte(4 + which) : EntryWord(6 + 2 * which);
    }
    void SetLink(int which, int32_t objNo) {
        if (!m_story)
            return;
        if (m_layout->smallEntries)
            m_story->WriteByte(int64_t{m_entry} + 4 + which, objNo);
        else
            m_story->WriteWord(int64_t{m_entry} + 6 + 2 * which, objNo);
    }

    StoryImage* m_story = nullptr; ///< null for object 0
    ZText* m_text = nullptr;
    const ObjectCache* m_layout = nullptr;
    int32_t m_objNo = 0;
    int32_t m_entry = 0;
};

/// The story's object table and its tree.
class ObjectTable {
  public:
    ObjectTable(StoryImage& story, ZText& text) : m_story(story), m_text(text) { ReadLayout(); }

    /// Game start, restart and restore: the layout is read from the story's header as the story
    /// first uses an object. It is read now, and again after every change to the header until
    /// then (see HeaderWritten), so that the object opcodes need not ask whether it is known.
    void Reset() { ReadLayout(); }
    /// The story may have written into its header.
    void HeaderWritten() {
        if (!m_objectCache.used)
            ReadLayout();
    }
    /// The view of an object. Object 0 gives the empty view; a number that no link can hold, or
    /// whose entry lies outside the image, is a story fault.
    zObject GetObject(int32_t objNo) {
        if (objNo == 0)
            return {};
        ObjectCache& layout = m_objectCache;
        if (objNo < 0 || objNo > layout.lastObject) [[unlikely]]
            NoSuchObject(objNo);
        layout.used = true;
        return zObject(m_story, m_text, layout, objNo,
                       layout.firstEntry + layout.entrySize * (objNo - 1));
    }

    /// Detaches an object from its parent and its sibling chain; its children stay with it.
    /// Object 0 changes nothing. A sibling chain that loops or that lacks the object is a fault.
    void PerformRemove(int32_t objNo);
    /// Makes an object the first child of newParent. Nothing changes when either is object 0.
    void PerformInsert(int32_t objNo, int32_t newParent);

    /// GET_PROP_LEN: the length of the property whose data starts at dataAddress (0 for 0).
    int32_t PropLenAt(int32_t dataAddress);

    const ObjectCache& Layout() {
        m_objectCache.used = true;
        return m_objectCache;
    }

  private:
    void ReadLayout();
    [[noreturn]] void NoSuchObject(int32_t objNo);

    StoryImage& m_story;
    ZText& m_text;
    ObjectCache m_objectCache;
};

} // namespace lantern
