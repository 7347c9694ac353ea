// Placeholder so the library has a translation unit before its first real source lands.
namespace core {
void placeholder() {}
} // namespace core
