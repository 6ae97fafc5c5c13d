/* The ids that orvel.rc, the embedded resources and the program share. Plain #defines in C
   comments, as the resource compiler reads this file too. */
#ifndef ORVEL_RESOURCES_RESOURCE_IDS_H
#define ORVEL_RESOURCES_RESOURCE_IDS_H

/* The display commands: the items of the display menu, and what the display buttons post as
   WM_COMMAND. 11845 and 11846, the two charts, are sent by no control. */
#define IDM_DOTS 11842
#define IDM_EXTENTS 11843
#define IDM_ENVELOPE 11844
#define IDM_SLOW_CHART 11845
#define IDM_FAST_CHART 11846
#define IDM_GAUGE 11847
#define IDM_BARS 11848
#define IDM_CIRCLES 11849
#define IDM_RINGS 11850
#define IDM_TRIANGLES 11851
#define IDM_TRIANGLE_RINGS 11852
#define IDM_STARS 11853
#define IDM_STAR_RINGS 11854
#define IDM_RANDOM_PATTERNS 11855

/* The window's icon, the display menu (never attached) and the About dialog with its OK. */
#define IDI_ORVEL 1
#define IDR_DISPLAY_MENU 1
#define IDD_ABOUT 1
#define IDC_ABOUT_OK 101

/* The button pictures: 40 x 20, 16 colours (the clock's is 30 x 20). 20, 21 and 33 are in the
   resources but no button shows them. */
#define IDB_STOP 2
#define IDB_PAUSE 3
#define IDB_PLAY 4
#define IDB_NEXT 5
#define IDB_PREV 6
#define IDB_DOTS 7
#define IDB_ENVELOPE 8
#define IDB_EXTENTS 9
#define IDB_COLOR_CYCLE 10
#define IDB_BARS 11
#define IDB_CIRCLES 12
#define IDB_RINGS 13
#define IDB_TRIANGLES 14
#define IDB_TRIANGLE_RINGS 15
#define IDB_STARS 16
#define IDB_STAR_RINGS 17
#define IDB_RANDOM_PATTERNS 18
#define IDB_GAUGE 19
#define IDB_UNUSED_20 20
#define IDB_UNUSED_21 21
#define IDB_SPHERE 22
/* The keypad's digits 1 to 9, then 0: keypad button k shows IDB_KEY_1 + k. */
#define IDB_KEY_1 23
#define IDB_KEY_2 24
#define IDB_KEY_3 25
#define IDB_KEY_4 26
#define IDB_KEY_5 27
#define IDB_KEY_6 28
#define IDB_KEY_7 29
#define IDB_KEY_8 30
#define IDB_KEY_9 31
#define IDB_KEY_0 32
#define IDB_UNUSED_33 33
#define IDB_CLOCK 34

#endif
