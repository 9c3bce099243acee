// The source tree's path, kept in one object so that no other test object
// carries a build-specific path.
extern const char* const oxa_unit_source_dir;
const char* const oxa_unit_source_dir = OXA_SOURCE_PATH;
