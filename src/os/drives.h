#pragma once

// The storage-card search. Cards are the volumes mounted under the folders where removable media
// appear: /media/$USER, /run/media/$USER and /media. A folder there is a card when it is a mount
// point, i.e. it lies on another device than the folder holding it.

#include <string>
#include <vector>

namespace os {

class Finder;

// The folders searched for cards, in search order.
std::vector<std::u16string> removable_media_roots();

// Calls on_folder with the native path of every card, root by root and in name order within a
// root, until it returns false. A card whose path is a prefix (path_starts_with) of the documents
// folder (the expansion of %my_documents%) is skipped: its files are reached through the documents
// folder already. Each card is logged with the decision taken:
//     find_drives: mydoc={DOCUMENTS}
//     returning result={CARD}          (or: skipping result={CARD})
void find_drives(Finder& finder);
void find_drives(Finder& finder, const std::vector<std::u16string>& roots);
void find_drives(Finder& finder, const std::vector<std::u16string>& roots, std::u16string_view documents);

} // namespace os
