// Placeholder so the library has a translation unit before its first real source lands.
namespace ui {
void placeholder() {}
} // namespace ui
