#include "dictionary/zDictionary.h"

namespace lantern {

// Placeholder until the dictionary lands.
void zDictionary::LoadDictionary(const StoryImage&, int32_t) {}
int32_t zDictionary::LookupAddress(std::string_view) const { return 0; }
void zDictionary::Tokenise(StoryImage&, int32_t, int32_t, bool) {}

} // namespace lantern
