#pragma once
// The numbers of the settings dialog's texts in the program's string tables (program/quarlo.rc
// holds them in Japanese and in English). Plain numbers, so that the resource compiler reads them
// too. Sixteen texts make one block of a table; these fill the blocks of 96 to 159.

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
#define IDS_LIST_TITLE 107
#define IDS_COPY 108
#define IDS_CLOSE 109
// Why the saver would not start: {n}, {min}, {wait}, {battery} and {path} stand for the values.
#define IDS_MINUTE 110
#define IDS_MINUTES 111
#define IDS_STARTS_AFTER 112
#define IDS_ON_BATTERY 113
#define IDS_MEND_USE_QUARLO 114
#define IDS_MEND_OPEN_POWER_OPTIONS 115
// The checks' titles, in the order of Check (settings_dialog/start_checks.h).
#define IDS_CHECK_POLICY 116
#define IDS_CHECK_SAVING_ON 117
#define IDS_CHECK_CHOSEN_SAVER 118
#define IDS_CHECK_WAIT 119
#define IDS_CHECK_POWER 120
#define IDS_CHECK_DISPLAY_HELD 121
#define IDS_CHECK_SETTINGS_KEPT 122
#define IDS_CHECK_MUSIC 123
// The findings, in the order of Finding.
#define IDS_FOUND_NO_POLICY 128
#define IDS_FOUND_POLICY_OFF 129
#define IDS_FOUND_POLICY_OTHER_SAVER 130
#define IDS_FOUND_POLICY_WAIT 131
#define IDS_FOUND_SAVING_ON 132
#define IDS_FOUND_SAVING_OFF 133
#define IDS_FOUND_NO_SAVER_CHOSEN 134
#define IDS_FOUND_QUARLO_CHOSEN 135
#define IDS_FOUND_OTHER_SAVER_CHOSEN 136
#define IDS_FOUND_CHOSEN_FILE_GONE 137
#define IDS_FOUND_WAIT 138
#define IDS_FOUND_POWER_AFTER_WAIT 139
#define IDS_FOUND_DISPLAY_OFF_FIRST 140
#define IDS_FOUND_SLEEP_FIRST 141
#define IDS_FOUND_DISPLAY_FREE 142
#define IDS_FOUND_DISPLAY_HELD 143
#define IDS_FOUND_SETTINGS_BESIDE 144
#define IDS_FOUND_SETTINGS_IN_VIRTUAL_STORE 145
#define IDS_FOUND_SETTINGS_NOT_KEPT 146
#define IDS_FOUND_MUSIC_THERE 147
#define IDS_FOUND_MUSIC_FILE_GONE 148
#define IDS_FOUND_NO_CD_DRIVE 149
