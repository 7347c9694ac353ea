#pragma once

// Where a save from the viewer writes. Widget-free; any thread.
#include <QString>

namespace document {

// `name` + ".jpg" in `folder`, or, when the folder already holds a file of that name in another case
// (IMG_0001.JPG on a case-sensitive disk), that file: it is then replaced after the question instead of
// a second, near-identical photo appearing beside it. With `ownPath` given (the photo's own name chosen)
// and the photo a JPEG, the photo's own file is the target, whatever its extension's case or spelling.
QString JpegSaveTarget(const QString& folder, const QString& name, const QString& ownPath = {});

} // namespace document
