#pragma once

#include "engine/access/writer/JetBytes.h"

#include <QByteArray>
#include <QList>

namespace vantor::jet {

class PageFile;

// One entry of an index page, its shared prefix restored.
struct IndexEntry {
    QByteArray key;
    RowPointer row;    // the leaf entry's row, or the last row under a node entry's child
    quint32 child = 0; // node entries only
};

// One index page: a leaf or a node, with its sibling and tail links.
struct IndexPage {
    quint32 number = 0;
    bool leaf = true;
    quint32 previous = 0;
    quint32 next = 0;
    quint32 tail = 0;
    int prefixLength = -1; // the bytes all entries share; -1: the writer chooses
    QList<IndexEntry> entries;
};

IndexPage ReadIndexPage(const PageFile& file, quint32 number);

// Every leaf entry of the index whose root is given, first to last.
QList<IndexEntry> ReadLeafEntries(const PageFile& file, quint32 rootPage);

} // namespace vantor::jet
