/* A C program outside the tree, built against an installed copy of the
 * library: it calls the plain entry points on the data directory given as
 * its argument. Exit code 0 when every answer is the expected one. */
#include <stdio.h>
#include <stdlib.h>
#include <uchar.h>

#include "items/kstools_entry.h"

static int failures = 0;

static void Check(int ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "entry: %s\n", what);
        ++failures;
    }
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: entry DATA-DIRECTORY\n");
        return 1;
    }
    setenv("KSTOOLS_HOME", argv[1], 1);

    InitKSTools(NULL, 1);
    Check(GetKSToolsInitCount() == 1, "the first InitKSTools initialises");
    InitKSTools(NULL, 1);
    Check(GetKSToolsInitCount() == 1, "a second InitKSTools changes nothing");
    Check(GetOutlookObject() != NULL, "there is a store object");
    Check(GetCorvidDirectory() != NULL && GetCorvidDirectory()[0] != 0, "there is a data directory");
    Check(g_HIDPI_LogPixelsX == 96 && g_HIDPI_KSFontScale == 1, "the scaling values are set");
    Check(g_HIDPI_IconPixels == 16 && g_HIDPI_IconPixels_Special == 13, "the icon sizes are set");
    Check(GetPlatformVersion() == 5, "the platform is version 5.2");
    Check(GetLeftDefine() == 0, "the grid's left side is on the left");

    KSWCHAR path[260];
    GetKSUtilsPath(path);
    Check(path[0] == u'\\' && path[1] == u'W', "the utilities live in \\WINDOWS");

    Check(C_Task(46000.0, u"Written in C", 0) == 1, "a new task is saved");
    Check(C_Appt(46000.5, 30, u"Met in C", 0) == 1, "a new appointment is saved");
    Check(D_Task(0, 0, 0) == 1, "no task 0");
    Check(D_Appt(0, 0.0, 0, 0) == 2, "no appointment 0");
    Check(D_PIM(0x7FFFFFF0u, 0) == 2, "nothing to open for an unknown OID");
    Check(D_Contact(0, 0, 0) == 2, "no contact 0");
    Check(CreateContactExtern() == 1, "a new contact is saved");
    Check(D_Note(u"\\My Documents\\From C.pwi") == 1, "a new note is made at its path");
    Check(D_Note(u"\\My Documents\\From C.pwi") == 1, "the note at the path opens");
    Check(DeleteAlarmNoteFile(u"\\My Documents\\From C.pwi") == 1, "the note is deleted");
    Check(DeleteAlarmNoteFile(u"\\My Documents\\From C.pwi") == 0, "a deleted note is gone");
    Check(CreateAlarmNoteExtern() == 1, "a new note is made in the default folder");

    UnInitKSTools();
    Check(GetKSToolsInitCount() == 0, "UnInitKSTools releases everything");
    Check(GetOutlookObject() == NULL, "no store object after UnInitKSTools");
    if (!failures) printf("entry: the C entry points answer as expected\n");
    return failures ? 1 : 0;
}
