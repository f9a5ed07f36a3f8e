#pragma once

// Texts shown to people are written in Chinese in the sources, and looked up in a message
// catalogue when they are shown. `tr_` marks a text for the catalogue tools and returns its
// translation (the source text itself when there is none); `N_` only marks a text kept in a
// table, which is passed through `tr_` where it is shown.
namespace velomira {

const char* tr_(const char* source);

} // namespace velomira

#define N_(text) text
