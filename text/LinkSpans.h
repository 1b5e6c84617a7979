#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

// Where a text's web addresses stand, in text order and apart: bytes [at, at + length) of it.
// Shared by whoever shows them (the pane draws them as links, the navigator lists them), so that
// a document's million addresses are held once, eight bytes each; one an edit took away keeps
// its place in the order, with no length, so that the others keep theirs.
struct LinkSpan {
    quint32 at;
    quint32 length;
};
using LinkSpans = std::vector<LinkSpan>;
