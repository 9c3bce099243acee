// The build-specific paths the end-to-end tests need, kept in one object.
extern const char* const oxa_binary_path;
extern const char* const oxa_source_dir;
const char* const oxa_binary_path = OXA_BINARY_PATH;
const char* const oxa_source_dir = OXA_SOURCE_PATH;
extern const char* const oxa_check_path;
const char* const oxa_check_path = OXA_CHECK_PATH;
extern const char* const oxa_project_version;
const char* const oxa_project_version = OXA_PROJECT_VERSION;
