// The fixed texts a build shows in its progress window and message boxes.
#pragma once

namespace sitefinch {

// Lines of the progress list.
inline constexpr const char* kStartLine = "Start...";
inline constexpr const char* kDoneLine = "Done, press Ok to continue";

// Progress texts and the button text of the finished build.
inline constexpr const char* kSavingText = "saving...";
inline constexpr const char* kFinishedText = "-- finished --";
inline constexpr const char* kOkButtonText = "&Ok";

// The message box for a page path that is empty.
inline constexpr const char* kNoFileSelectedText = "No file selected!";
inline constexpr const char* kErrorCaption = "Error";

}  // namespace sitefinch
