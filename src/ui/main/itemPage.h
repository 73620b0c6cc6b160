#pragma once

namespace ui {

class FeedbackList;

// Opens the item page of row k of a rating list in a new browser window:
// only a recent row (its item number underlined) whose number is all digits
// opens anything.
void openItemPage(const FeedbackList& list, int k);

} // namespace ui
