#pragma once
// The long date the main window shows, in the user's long-date format.

#include "date_value.h"

#include <string>

namespace quotidia {

// The date part of a date value in the user's long-date format. The platform formats
// the years it reaches (1601 on); earlier ones are formatted here from the locale's
// long-date picture and names, to the same result.
std::wstring longDateText(DateValue day);

// The same for a date before 1601 or after, always through the locale's picture.
std::wstring longDateFromPicture(DateValue day);

} // namespace quotidia
