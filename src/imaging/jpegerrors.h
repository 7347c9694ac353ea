#pragma once

// The error manager shared by JPEG decoding and encoding: libjpeg's fatal errors jump back to the call
// with an error code, its warnings are counted and nothing is ever printed.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace imaging::detail {

struct JpegErrorManager {
    jpeg_error_mgr pub{};
    std::jmp_buf jump{};
    int code = 0; // an ImageError; 0 until something fails
};

inline void JpegCountWarning(j_common_ptr cinfo, int level) {
    if (level < 0)
        ++cinfo->err->num_warnings;
}

inline void JpegPrintNothing(j_common_ptr) {}

// Sets up `err` with `onError` as the fatal-error handler and returns what `cinfo->err` takes.
inline jpeg_error_mgr* InstallJpegErrors(JpegErrorManager& err, void (*onError)(j_common_ptr)) {
    jpeg_error_mgr* pub = jpeg_std_error(&err.pub);
    pub->error_exit = onError;
    pub->emit_message = JpegCountWarning;
    pub->output_message = JpegPrintNothing;
    return pub;
}

} // namespace imaging::detail
