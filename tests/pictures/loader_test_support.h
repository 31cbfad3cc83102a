#pragma once

// A loader for the tests, and the photos it reads.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include "picture_test_support.h"
#include "pictures/picture_loader.h"

namespace picture_test {

class LoaderTest : public ::testing::Test {
protected:
    // A PNG of one colour; `age` seconds old, so a rewrite has a new time.
    QString Photo(const QString& name, QColor color, QSize size = {600, 400}, int age = 0) {
        const QString path = dir.filePath(name);
        Write(path, Bytes(Filled(size, color), "PNG"));
        QFile file(path);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(-age),
                         QFileDevice::FileModificationTime);
        return path;
    }

    QTemporaryDir dir;
    pictures::PictureLoader loader{Fit, 1};
};

}  // namespace picture_test
