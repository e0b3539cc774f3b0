#include "modQuotes_win.h"

#include "frmmain_win.h"

namespace quotidia::modQuotes {

void Main() {
    forms::formSlot<frmmain>().show();
}

} // namespace quotidia::modQuotes
