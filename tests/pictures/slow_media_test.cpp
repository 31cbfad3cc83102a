// Which media the window's thread never looks at: told by the mount table.
#include <gtest/gtest.h>

#include "pictures/slow_media.h"

namespace {

TEST(SlowMedia, AreToldByTheMountTable) {
    const QByteArray mountinfo =
        "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
        "40 27 0:40 / /mnt/archivio rw - nfs4 server:/foto rw\n"
        "41 40 0:41 / /mnt/archivio/locale rw - tmpfs tmpfs rw\n"
        "42 27 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
        "43 27 8:17 / /run/media/anna/CHIAVETTA rw shared:5 - vfat /dev/sdb1 rw\n"
        "44 27 0:44 / /home/anna/rete rw - fuse.sshfs anna@casa: rw\n"
        "45 27 0:45 / /mnt/con\\040spazio rw - cifs //server/foto rw\n"
        "46 27 0:46 / /var/lib/contenitore rw master:3 - fuse.fuse-overlayfs overlay rw\n";
    const struct {
        const char* path;
        bool slow;
    } cases[] = {
        {"/home/anna/foto.jpg", false},
        {"/mnt/archivio/2023/foto.jpg", true},
        {"/mnt/archivio", true},
        {"/mnt/archiviofoto/foto.jpg", false},
        {"/mnt/archivio/locale/foto.jpg", false},
        {"/mnt/archivio/../foto.jpg", false},
        {"/media/cdrom/FOTO/1.JPG", true},
        {"/run/media/anna/CHIAVETTA/foto.jpg", true},
        {"/home/anna/rete/foto.jpg", true},
        {"/mnt/con spazio/foto.jpg", true},
        {"/var/lib/contenitore/foto.jpg", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pictures::OnSlowMedium(c.path, mountinfo), c.slow) << c.path;
}

}  // namespace
