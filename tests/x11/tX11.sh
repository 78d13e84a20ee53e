#!/usr/bin/env bash
# The editor under a real X server, driven by the keyboard as a user drives it:
# menus by their access letters, dialogs by Tab, Enter, Space and Escape.
# Judged by window titles, the files written and the units generated.
# No window manager runs, so every window is focused explicitly before keys.
#
# Usage: tX11.sh QUILLET_BINARY WORK_DIR
# Needs Xvfb and xdotool. Prints one line per check and "N passed, M failed".
set -u

binary=$1
work=$2
passed=0
failed=0
xvfb_pid=
app_pid=

cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT
trap 'exit 2' INT TERM

budget=150 # seconds for the whole run; checks after it count as failed
check() { # NAME COMMAND...: runs the command, counts the outcome
    local name=$1
    shift
    if [ "$SECONDS" -gt "$budget" ]; then
        failed=$((failed + 1))
        echo "FAIL $name (out of time)"
        return
    fi
    if "$@" >/dev/null; then
        passed=$((passed + 1))
        echo "ok   $name"
    else
        failed=$((failed + 1))
        echo "FAIL $name"
    fi
}

refute() { ! "$@"; }

# --- the X server -------------------------------------------------------------

rm -rf "$work"
mkdir -p "$work/app" "$work/out"
# A copy of the program in a folder of its own: no "template.rpr" beside it.
cp "$binary" "$work/app/quillet"

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start"
    echo "0 passed, 1 failed"
    exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
# The display number comes before the server takes connections on a busy
# machine: wait until a client gets through.
for _ in $(seq 200); do
    timeout 5 xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.05
done

# --- helpers ----------------------------------------------------------------------

X() { timeout 5 xdotool "$@" 2>/dev/null; }

# The id of a visible window with that caption; waits up to 5 s. Anything
# appended to the caption is tolerated here, so that each check judges its
# own point; titled() below checks the whole title.
wait_window() {
    local id
    for _ in $(seq 100); do
        id=$(X search --onlyvisible --name "^$1( .+)?\$" | head -n1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# True when a visible window's whole title is exactly CAPTION, within 5 s.
titled() {
    for _ in $(seq 100); do
        [ -n "$(X search --onlyvisible --name "^$1\$")" ] && return 0
        sleep 0.05
    done
    return 1
}

# True when no visible window has that caption, within 5 s.
wait_gone() {
    for _ in $(seq 100); do
        [ -z "$(X search --onlyvisible --name "^$1( .+)?\$")" ] && return 0
        sleep 0.05
    done
    return 1
}

# True when a window with that title shows up within two seconds.
appears() { (
    for _ in $(seq 40); do
        [ -n "$(X search --onlyvisible --name "^$1( .+)?\$")" ] && exit 0
        sleep 0.05
    done
    exit 1
); }

focus() { # TITLE: focuses the window with that title
    local id
    id=$(wait_window "$1") || return 1
    X windowfocus --sync "$id"
}

keys() { X key --delay 20 "$@"; }
type_text() { X type --delay 5 "$1"; }

# Menus open as visible windows without a name: all visible windows less the named ones.
visible_count() {
    echo $(($(X search --onlyvisible --name '' | wc -l) - $(X search --onlyvisible --name '.' | wc -l)))
}

# menu LETTER LETTER: opens a menu of the main window by its access letter and
# picks an entry by its own.
menu() {
    local before opened=
    for _ in 1 2 3; do
        focus Quillet || return 1
        before=$(visible_count)
        keys "alt+$1"
        for _ in $(seq 40); do
            if [ "$(visible_count)" -gt "$before" ]; then
                opened=1
                break
            fi
            sleep 0.025
        done
        [ -n "$opened" ] && break
        keys Escape # a key that came too early to open the menu: try again
    done
    [ -n "$opened" ] || return 1
    keys "$2"
    # The entry's command has run once its menu has closed.
    for _ in $(seq 80); do
        [ "$(visible_count)" -le "$before" ] && break
        sleep 0.025
    done
}

start_app() {
    # Remembered settings (window place, column widths, recent projects) stay
    # in the work folder: every run starts as the first run.
    rm -rf "$work/home"
    mkdir -p "$work/home"
    # A start that fails before its window shows (the X server refusing a
    # connection under load) is tried again, twice at most.
    for _ in 1 2 3; do
        HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QT_QPA_PLATFORM=xcb \
            "$work/app/quillet" >>"$work/app.log" 2>&1 &
        app_pid=$!
        wait_window Quillet >/dev/null && return 0
        kill -0 "$app_pid" 2>/dev/null && return 1
        wait "$app_pid" 2>/dev/null
    done
    return 1
}

stop_app() {
    [ -n "$app_pid" ] || return 0
    kill "$app_pid" 2>/dev/null
    for _ in $(seq 40); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -9 "$app_pid" 2>/dev/null
    wait "$app_pid" 2>/dev/null
    app_pid=
}

# A fresh program for the next group of checks, whatever the last one left open.
scenario() {
    stop_app
    start_app
}

size_of() { # TITLE: "WxH" of the window
    local id
    id=$(wait_window "$1") || return 1
    X getwindowgeometry "$id" | sed -n 's/^ *Geometry: //p'
}

# A new project; its grid has the keyboard, Space selects the first row.
new_project() {
    menu f n || return 1
    sleep 0.3 # the grid appears after the menu has closed
    focus Quillet && keys space
}

# Enter on the selected row opens the item editor. A key that came before the
# grid was ready is given again; the selection itself is not under test here.
open_editor() {
    for _ in 1 2 3; do
        focus Quillet && keys Return
        appears "Item Editor" && return 0
        focus Quillet && keys Tab space
    done
    return 1
}

# Close Project; true when it asked about unsaved changes (answered No).
close_asks() {
    menu f c
    if appears Confirm; then
        focus Confirm && keys n
        wait_gone Confirm
        return 0
    fi
    return 1
}

# Items without text IDs give the constants unit clashing names: Save Resource
# Files asks first. Yes (the default button) writes anyway.
write_anyway() {
    appears Confirm || return 0
    focus Confirm && keys Return
    wait_gone Confirm
}

# Save Project As under PATH through the file dialog.
save_as() {
    menu f a || return 1
    focus "Save As" || return 1
    type_text "$1"
    keys Return
    wait_gone "Save As" || return 1
    for _ in $(seq 100); do
        [ -s "$1" ] && return 0
        sleep 0.05
    done
    return 1
}

# first_item_is TEXT_ID FILE: the saved project's first string item has that text ID.
first_item_is() { sed -n '/^  Strings = </,/^      NumberId = /p' "$2" | grep -q "^      TextId = '$1'"; }
number_ids() { sed -n '/^  Strings = </,$ s/^      NumberId = //p' "$1" | tr -d '\r' | paste -sd, -; }

# --- the checks ---------------------------------------------------------------------

start_app
check "main window titled Quillet" titled Quillet
check "main window 584x441" test "$(size_of Quillet)" = 584x441

# Titles are the captions alone.
menu h a
check "about box titled About" titled About
focus About && keys Escape
check "about box closes on Escape" wait_gone About

scenario
new_project
keys Delete
check "delete question titled Confirm" titled Confirm
focus Confirm && keys Return
wait_gone Confirm
check "Delete after Yes is a change that closing asks about" close_asks

new_project
keys Insert
check "Insert is a change that closing asks about" close_asks

new_project
keys Down
check "Down on the last row is a change that closing asks about" close_asks

# The item editor: Enter on a focused Cancel cancels, on Apply applies.
scenario
new_project
open_editor
check "item editor titled Item Editor" titled "Item Editor"
check "item editor 407x422" test "$(size_of "Item Editor")" = 407x422
focus "Item Editor" && type_text Hello
keys Tab Tab Tab Tab Tab Tab Tab Tab Return # text ID ... OK, Cancel
check "Enter on Cancel closes the item editor" wait_gone "Item Editor"
check "Enter on Cancel leaves the project unchanged" refute close_asks

new_project
open_editor
focus "Item Editor" && type_text Hello
keys Tab Tab Tab Tab Tab Tab Tab Tab Tab Return # ... OK, Cancel, Apply
sleep 0.3
check "Enter on Apply keeps the item editor open" wait_window "Item Editor"
focus "Item Editor" && keys Escape
wait_gone "Item Editor"
check "Enter on Apply stored the item" close_asks

# Project options: Enter on a focused Cancel stores nothing.
scenario
new_project
menu p p
check "options titled Project Options" titled "Project Options"
focus "Project Options" && type_text typed
keys Tab Tab Tab Tab Tab Tab Tab Tab Return # the fields, "...", OK, Cancel
check "Enter on Cancel closes the options" wait_gone "Project Options"
check "Enter on Cancel in the options stores nothing" refute close_asks

# The language chooser finished from the keyboard; the selected row in the
# grid survives the new column; Tab and letters do nothing in the grid.
scenario
new_project
keys Down Down Up Up # two items appended, back on the first row
menu p s
check "chooser titled Select visible language columns" titled "Select visible language columns"
focus "Select visible language columns" && keys Down Down space Tab Return # DE, then OK
check "Enter on OK closes the chooser" wait_gone "Select visible language columns"
focus Quillet && type_text 2 && keys Tab Return
check "Enter opens the editor after a column came" wait_window "Item Editor"
focus "Item Editor" && type_text First && keys Return
wait_gone "Item Editor"
check "project saved" save_as "$work/chooser.rpr"
check "DE column saved as visible" bash -c "sed -n \"/TextId = 'DE'/,/end/p\" '$work/chooser.rpr' | grep -q 'Visible = True'"
check "letters and Tab left the selection on the first row" first_item_is First "$work/chooser.rpr"
menu f c

# The grid of a new project has the keyboard at once: Space selects the row,
# Enter opens the editor, with no click and no Tab first.
scenario
menu f n
sleep 0.3
for _ in 1 2 3; do # a key that came before the grid was there is given again
    focus Quillet && keys space Return
    appears "Item Editor" && break
done
check "a new project's grid has the keyboard" wait_window "Item Editor"
focus "Item Editor" && keys Escape
wait_gone "Item Editor"
menu f c

# Save Resource Files: units written; a renumbering is a change to save, and
# the saved numbers agree with the units.
scenario
new_project
menu p p
focus "Project Options" && type_text "$work/out" && keys Return
wait_gone "Project Options"
focus Quillet && keys Insert # the new item comes first, with number 2
save_as "$work/units.rpr"
check "numbers before generating" test "$(number_ids "$work/units.rpr")" = "2,1"
menu p r
write_anyway
for _ in $(seq 100); do
    [ "$(find "$work/out" -name '*.pas' | wc -l)" -ge 8 ] && break
    sleep 0.05
done
check "eight units generated" test "$(find "$work/out" -name '*.pas' | wc -l)" = 8
menu f c
check "renumbering asks to be saved" wait_window Confirm
focus Confirm && keys y
wait_gone Confirm
check "saved numbers agree with the units" test "$(number_ids "$work/units.rpr")" = "1,2"

# Generated again: each existing unit is asked about; Escape keeps it.
cp "$work/out/ResStr.pas" "$work/ResStr.before"
menu f o
focus Open && type_text "$work/units.rpr" && keys Return
wait_gone Open
menu p r
write_anyway
check "overwrite question titled Information" titled Information
# One box after another under the same title: each is followed by its id.
for _ in $(seq 8); do
    appears Information || break
    box=$(wait_window Information) || break
    X windowfocus --sync "$box" && keys Escape
    for _ in $(seq 100); do
        X search --onlyvisible --name '^Information( .+)?$' | grep -qx "$box" || break
        sleep 0.05
    done
done
check "Escape at the overwrite question keeps the file" cmp -s "$work/out/ResStr.pas" "$work/ResStr.before"
check "every overwrite question answered" refute appears Information

# Units that would land outside the project's folder: Enter at the question
# keeps the default, No, and writes nothing.
scenario
mkdir -p "$work/proj" "$work/elsewhere"
new_project
menu p p
focus "Project Options" && type_text "$work/elsewhere" && keys Return
wait_gone "Project Options"
save_as "$work/proj/outside.rpr"
menu p r
write_anyway # the item without a text ID
check "outside question titled Confirm" titled Confirm
focus Confirm && keys Return
wait_gone Confirm
sleep 0.3
check "Enter at the outside question writes nothing" test -z "$(ls -A "$work/elsewhere")"

stop_app
if [ "$failed" -gt 0 ]; then
    echo "--- what the program printed:"
    grep -v XDG_RUNTIME_DIR "$work/app.log" | tail -n 30
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
