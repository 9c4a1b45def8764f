// What link resolution makes of a link, for those who follow links the same way (the browser
// pane).
#pragma once

namespace sitefinch {

// The page a link to a directory leads to: a path that ends with a separator, or whose last
// component has no extension, gets this name appended.
inline constexpr char kDirectoryPage[] = "default.htm";

}  // namespace sitefinch
