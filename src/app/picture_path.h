#pragma once

#include <QString>

// The file of a photo's picture: folder + "/" + name, a backslash in the
// stored folder read as "/". For an album on CD the folder lies below the
// CD's root, `cdRoot`.
QString ComposePicturePath(bool cdMode, const QString& cdRoot, const QString& folder,
                           const QString& name);
