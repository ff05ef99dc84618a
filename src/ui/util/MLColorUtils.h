#pragma once

#include <QColor>
#include <QString>

// The colour helpers every page uses.
namespace MLColorUtils {

// "#RRGGBB", "0xRRGGBB" or "RRGGBB" (any case, surrounding white space and line breaks ignored) ->
// the opaque colour. Any other text gives the transparent colour.
QColor colorWithHexString(const QString &text);

// An opaque colour whose channels are each a random whole number from 0 to 254, over 255.
QColor randomColor();

} // namespace MLColorUtils
