#pragma once
// The numbers of the settings dialog's texts in the program's string tables (program/quarlo.rc
// holds them in Japanese and in English). Plain numbers, so that the resource compiler reads them
// too. Sixteen texts make one block of a table; these fill the block of 96 to 111.

#define IDS_MUSIC_HEADING 96
#define IDS_SOURCE_CD 97
#define IDS_SOURCE_NONE 98
#define IDS_SOURCE_FILE 99
#define IDS_REPEAT_TRACK 100
#define IDS_COUNT_HEADING 101
#define IDS_EVERY_MONITOR 102
#define IDS_OK 103
#define IDS_CANCEL 104
#define IDS_MUSIC_FILTER 105
#define IDS_CHOOSER_TITLE 106
