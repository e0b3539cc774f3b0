#pragma once
// The start-up module: brings up the main window and leaves the rest to its events.

namespace quotidia::modQuotes {

// Shows the main window modeless, loading it first, and returns at once.
void Main();

} // namespace quotidia::modQuotes
