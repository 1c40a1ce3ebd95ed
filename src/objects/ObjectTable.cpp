#include "objects/ObjectTable.h"

#include "memory/StoryError.h"

#include <algorithm>

namespace lantern {

// ---- zObject ---------------------------------------------------------------------------------

std::string zObject::ShortName() const {
    std::string name;
    ShortName(name);
    return name;
}

void zObject::ShortName(std::string& name) const {
    name.clear();
    if (!m_story)
        return;
    const int32_t table = PropTableAddr();
    // A length of 0 words means the object has no name (the bytes after it are properties).
    if (m_story->ReadByte(table) == 0)
        return;
    m_text->DecodeZString(*m_story, table + 1, name);
}

void zObject::SetAttribute(int32_t attr) {
    if (!m_story || attr < 0 || attr >= 8 * m_layout->attributeBytes)
        return;
    const int64_t address = int64_t{m_entry} + attr / 8;
    m_story->WriteByte(address, m_story->ReadByte(address) | (0x80 >> (attr % 8)));
}

void zObject::ClearAttribute(int32_t attr) {
    if (!m_story || attr < 0 || attr >= 8 * m_layout->attributeBytes)
        return;
    const int64_t address = int64_t{m_entry} + attr / 8;
    m_story->WriteByte(address, m_story->ReadByte(address) & ~(0x80 >> (attr % 8)));
}

int64_t zObject::FirstProperty() const {
    const int32_t table = PropTableAddr();
    return int64_t{table} + 1 + 2 * m_story->ReadByte(table);
}

zObject::Property zObject::ReadProperty(int64_t address) const {
    return ReadPropertyAt(address, m_story->Bytes().size());
}

inline zObject::Property zObject::ReadPropertyAt(int64_t address, size_t limit) const {
    // The size bytes are read as ReadByte reads them; an address outside the image is its fault.
    auto byteAt = [&](int64_t at) -> int {
        if (static_cast<uint64_t>(at) >= limit) [[unlikely]]
            return m_story->ReadByte(at);
        return m_story->Data()[at];
    };
    Property property;
    const int size = byteAt(address);
    if (m_layout->smallEntries) {
        // Versions 1-3: number in the low 5 bits, length - 1 in the top 3.
        property.number = size & 31;
        property.length = size / 32 + 1;
        property.data = static_cast<int32_t>(address + 1);
    } else if (size & 0x80) {
        // Versions 4 and later, two size bytes: the second holds the length, 0 meaning 64.
        property.number = size & 63;
        const int length = byteAt(address + 1) & 63;
        property.length = length == 0 ? 64 : length;
        property.data = static_cast<int32_t>(address + 2);
    } else {
        property.number = size & 63;
        property.length = (size & 0x40) ? 2 : 1;
        property.data = static_cast<int32_t>(address + 1);
    }
    // The list ends at a size byte 0; a property numbered 0 cannot exist, so it ends it too.
    if (property.number == 0)
        property = Property{};
    return property;
}

bool zObject::FindProperty(int32_t propNo, Property& found) const {
    if (!m_story || propNo <= 0)
        return false;
    const size_t limit = m_story->Bytes().size();
    // Every property takes at least two bytes and every read is checked, so the walk ends.
    for (Property p = ReadPropertyAt(FirstProperty(), limit); p.number != 0;
         p = ReadPropertyAt(int64_t{p.data} + p.length, limit)) {
        if (p.number == propNo) {
            found = p;
            return true;
        }
    }
    return false;
}

int32_t zObject::PropDefault(int32_t propNo) const {
    if (!m_story || propNo < 1 || propNo > m_layout->maxProperty)
        return 0;
    return m_story->ReadWord(int64_t{m_layout->tableAddress} + 2 * (propNo - 1));
}

int32_t zObject::Prop(int32_t propNo) const {
    if (!m_story)
        return 0;
    Property p;
    if (!FindProperty(propNo, p))
        return PropDefault(propNo);
    if (p.length == 1)
        return m_story->ReadByte(p.data);
    if (p.length == 2)
        return m_story->ReadWord(p.data);
    return 0;
}

void zObject::SetProp(int32_t propNo, int32_t value) {
    Property p;
    if (!FindProperty(propNo, p))
        return;
    if (p.length == 1)
        m_story->WriteByte(p.data, value);
    else if (p.length == 2)
        m_story->WriteWord(p.data, value);
}

int32_t zObject::PropAddr(int32_t propNo) const {
    Property p;
    return FindProperty(propNo, p) ? p.data : 0;
}

int32_t zObject::PropLen(int32_t propNo) const {
    Property p;
    return FindProperty(propNo, p) ? p.length : 0;
}

int32_t zObject::NextProp(int32_t propNo) const {
    if (!m_story)
        return 0;
    if (propNo == 0)
        return ReadProperty(FirstProperty()).number;
    Property p;
    if (!FindProperty(propNo, p))
        return 0;
    return ReadProperty(int64_t{p.data} + p.length).number;
}

// ---- ObjectTable -----------------------------------------------------------------------------

void ObjectTable::ReadLayout() {
    ObjectCache layout;
    // An image too short for a header (none was loaded) has no objects.
    if (!m_story.Contains(0x0A, 2)) {
        m_objectCache = layout;
        return;
    }
    layout.smallEntries = m_story.Version() <= 3;
    layout.tableAddress = m_story.ReadWord(0x0A, true);
    layout.entrySize = layout.smallEntries ? 9 : 14;
    layout.attributeBytes = layout.smallEntries ? 4 : 6;
    layout.maxProperty = layout.smallEntries ? 31 : 63;
    layout.maxObject = layout.smallEntries ? 255 : 65535;
    layout.firstEntry = layout.tableAddress + 2 * layout.maxProperty;
    // The entries that lie whole in the image (the image holds Size() + 1 bytes).
    const int64_t fit = (int64_t{m_story.Size()} + 1 - layout.firstEntry) / layout.entrySize;
    layout.lastObject = static_cast<int32_t>(std::clamp<int64_t>(fit, 0, layout.maxObject));
    m_objectCache = layout;
}

void ObjectTable::NoSuchObject(int32_t objNo) {
    m_objectCache.used = true;
    if (objNo < 0 || objNo > m_objectCache.maxObject)
        throw StoryError("object " + std::to_string(objNo) + " does not exist");
    throw StoryError("object " + std::to_string(objNo) + " lies outside the story");
}

void ObjectTable::PerformRemove(int32_t objNo) {
    zObject object = GetObject(objNo);
    if (objNo == 0)
        return;
    const int32_t parentNo = object.Parent();
    if (parentNo != 0) {
        zObject parent = GetObject(parentNo);
        const int32_t sibling = object.Sibling();
        auto loop = [parentNo] {
            return StoryError("the children of object " + std::to_string(parentNo) +
                              " form a loop");
        };
        if (sibling == objNo)
            throw loop();
        if (parent.Child() == objNo) {
            parent.SetChild(sibling);
        } else {
            // A chain longer than the objects the image can hold must loop.
            const ObjectCache& layout = Layout();
            const int64_t fit = (m_story.Size() - int64_t{layout.firstEntry}) / layout.entrySize;
            int64_t steps = 0;
            for (int32_t elder = parent.Child();;) {
                if (elder == 0)
                    throw StoryError("object " + std::to_string(objNo) +
                                     " is missing from the children of its parent " +
                                     std::to_string(parentNo));
                if (++steps > fit)
                    throw loop();
                zObject view = GetObject(elder);
                const int32_t next = view.Sibling();
                if (next == objNo) {
                    view.SetSibling(sibling);
                    break;
                }
                elder = next;
            }
        }
    }
    object.SetParent(0);
    object.SetSibling(0);
}

void ObjectTable::PerformInsert(int32_t objNo, int32_t newParent) {
    if (objNo == 0 || newParent == 0)
        return;
    // Both numbers are checked before anything changes.
    zObject object = GetObject(objNo);
    zObject parent = GetObject(newParent);
    PerformRemove(objNo);
    object.SetParent(newParent);
    object.SetSibling(parent.Child());
    parent.SetChild(objNo);
}

int32_t ObjectTable::PropLenAt(int32_t dataAddress) {
    if (dataAddress == 0)
        return 0;
    const int size = m_story.ReadByte(int64_t{dataAddress} - 1);
    if (Layout().smallEntries)
        return size / 32 + 1;
    if (size & 0x80) {
        // The second size byte of a long property: 0 means 64.
        const int length = size & 63;
        return length == 0 ? 64 : length;
    }
    return (size & 0x40) ? 2 : 1;
}

} // namespace lantern
