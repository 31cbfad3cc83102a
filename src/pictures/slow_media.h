#pragma once

// Telling the media whose answers may take long, or never come, from the
// local disks: looked at on the window's thread, a file there could hold it.
#include <QByteArray>
#include <QString>

namespace pictures {

// Whether `path` (absolute) lies on a share (NFS, SMB, SSHFS and other FUSE
// file systems), a CD or DVD, an automounted folder or a removable medium
// the desktop mounted (under /media, /run/media). Told from the mount table
// alone, read anew only when it changed; the medium itself is not touched.
bool OnSlowMedium(const QString& path);

// The same from the text of a mount table in the form of /proc/self/mountinfo.
bool OnSlowMedium(const QString& path, const QByteArray& mountinfo);

}  // namespace pictures
