#pragma once

// Writing a file of the program's own into folders that are the user's own,
// never through a link planted where it writes.
#include <QByteArray>
#include <QString>

namespace pictures {

// Writes `bytes` as `root/sub/name` (`sub` may hold several folders): the
// root and the folders under it are made private to the user when missing,
// and must be real folders (no link) the user owns. The bytes go to a new
// temporary file (O_EXCL|O_NOFOLLOW) in the last folder, renamed over `name`,
// which replaces a link found there rather than writing where it points; a
// reader never sees half a file. False, with nothing left behind, otherwise.
// The folders above the root are taken as they are.
bool WritePrivateFile(const QString& root, const QString& sub, const QString& name,
                      const QByteArray& bytes);

}  // namespace pictures
