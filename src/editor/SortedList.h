#pragma once

#include <QString>
#include <QVariant>

#include <utility>
#include <vector>

class QListWidget;

// A list box sorted by its text (ASCII letters compared without case, as the lists of map
// names always were). Entries are placed where they belong instead of re-sorting the whole
// list on every insert, which a list of 20,000 zones cannot afford.
namespace SortedList {

// Inserts after the entries that sort equal; returns the row.
int Insert(QListWidget* List, const QString& Text, const QVariant& Data = {});
// Replaces the contents by the entries, sorted once.
void Fill(QListWidget* List, std::vector<std::pair<QString, QVariant>> Entries);

} // namespace SortedList
