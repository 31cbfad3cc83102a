# Checks that the rooms of src/ include one another only along the arrows:
#   windows -> widgets -> app -> store, album_window -> viewer -> pictures,
# the viewer reaching the album only through the album object (app), never
# the store itself; the store without Qt and the album object without Qt's
# widgets; metadata
# (a picture file's own fields) stands alone, without Qt; adding (many photos
# at once) joins metadata to the store, with QtCore's threads only; base
# (small helpers of texts, numbers and files) lies below every room, without Qt;
# work (worker threads ended within a bound) lies below pictures and app, with
# QtCore only.
#
#   cmake -DSOURCE_DIR=<src folder> [-DSTAMP=<file>] -P check_arrows.cmake
#
# Fails naming every include that points the wrong way, and every room the
# table below does not know; writes STAMP when all is well.

# The rooms each room may include ("main.cpp" stands beside them and may
# include every room).
set(reach_base base)
set(reach_store store base)
set(reach_work work)
set(reach_pictures pictures work base)
set(reach_metadata metadata base)
set(reach_adding adding metadata store base)
set(reach_app app adding metadata store work base)
set(reach_widgets widgets app store base)
set(reach_add_photo add_photo widgets app store base)
set(reach_photo_list photo_list widgets app store base)
set(reach_viewer viewer pictures app work base)
set(reach_album_window album_window add_photo photo_list viewer widgets pictures app store base)
set(rooms base work store pictures metadata adding app widgets viewer add_photo photo_list album_window)

# Qt headers a room may not include at all (the start of their names); a
# room's library links none of the Qt modules named, so a header of theirs
# included by its bare class name does not build either.
set(no_qt_base "<Q")
set(no_qt_store "<Q")
set(no_qt_metadata "<Q")
set(no_qt_adding "<QtGui/" "<QtWidgets/")
set(no_qt_work "<QtGui/" "<QtWidgets/")
set(no_qt_pictures "<QtWidgets/")
set(no_qt_app "<QtWidgets/")

cmake_minimum_required(VERSION 3.25)

if(NOT IS_DIRECTORY "${SOURCE_DIR}")
    message(FATAL_ERROR "check_arrows: no folder SOURCE_DIR='${SOURCE_DIR}'")
endif()

set(wrong "")
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
foreach(room IN LISTS folders)
    if(NOT IS_DIRECTORY ${SOURCE_DIR}/${room})
        continue()
    endif()
    if(NOT room IN_LIST rooms)
        string(APPEND wrong "\n  ${room}/: a room without arrows in cmake/check_arrows.cmake")
        continue()
    endif()
    file(GLOB_RECURSE files ${SOURCE_DIR}/${room}/*.h ${SOURCE_DIR}/${room}/*.cpp)
    foreach(file IN LISTS files)
        file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
        file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
        foreach(line IN LISTS includes)
            string(REGEX MATCH "[\"<][^\">]*" header "${line}")
            string(REGEX MATCH "^\"([^\"/]+)/" quoted "${header}")
            if(quoted AND CMAKE_MATCH_1 IN_LIST rooms AND NOT CMAKE_MATCH_1 IN_LIST reach_${room})
                string(APPEND wrong "\n  ${name}: ${line}")
            else()
                foreach(refused IN LISTS no_qt_${room})
                    string(FIND "${header}" "${refused}" at)
                    if(at EQUAL 0)
                        string(APPEND wrong "\n  ${name}: ${line}")
                    endif()
                endforeach()
            endif()
        endforeach()
    endforeach()
endforeach()

if(wrong)
    message(FATAL_ERROR "Includes against the arrows between the rooms of src/:${wrong}")
endif()
if(STAMP)
    file(TOUCH ${STAMP})
endif()
