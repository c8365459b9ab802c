#!/usr/bin/env bash
# A statement made by keyboard alone, from an empty window to a saved PDF, with the Orca
# screen reader listening; Speech Dispatcher writes what Orca says to a file instead of a
# sound card, and the file is checked: the failed step, the second step's heading, the net
# payment and the save are heard, and no character of the password typed ever is.
#
#   tests/screen_reader/run.sh BUILD/src/corvane [FOLDER]
#
# FOLDER keeps the captured speech (speech.txt), Orca's debug log and the saved PDF.
# Needs Xvfb, openbox, xdotool, orca and speech-dispatcher.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [[ ${1:-} != --inside ]]; then
    app=$(realpath "$1")
    work=$(realpath -m "${2:-$(mktemp -d)}")
    rm -rf "$work" && mkdir -p "$work"
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null || true' EXIT
    for _ in $(seq 50); do [[ -s $work/display ]] && break; sleep 0.1; done
    status=0
    DISPLAY=:$(cat "$work/display") dbus-run-session -- "$0" --inside "$app" "$work" || status=$?
    echo "-- what Orca said: $work/speech.txt"
    exit $status
fi

app=$2 work=$3
speech=$work/speech.txt
: >"$speech"
# A home of the scenario's own: settings of Orca, Speech Dispatcher and the desktop start
# fresh, and nothing of the person running it is read.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache \
    XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher/modules" "$XDG_RUNTIME_DIR"
chmod 0700 "$XDG_RUNTIME_DIR"
cp "$here/speechd.conf" "$XDG_CONFIG_HOME/speech-dispatcher/"
cp "$here/capture.conf" "$XDG_CONFIG_HOME/speech-dispatcher/modules/"
export CORVANE_SPEECH_LOG=$speech LANG=C.UTF-8 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT

mark=0
fail() {
    echo "FAIL: $*" >&2
    echo "-- said since the last step:" >&2
    tail -c +$((mark + 1)) "$speech" >&2
    exit 1
}
step() { mark=$(stat -c %s "$speech"); }
# TEXT as Orca passes it on: full-width colons and commas become ASCII ones.
spoken() {
    local text=${1//：/:}
    echo "${text//，/,}"
}
# Waits until Orca has said TEXT since the last step.
hear() {
    local text seconds=${2:-15}
    text=$(spoken "$1")
    for _ in $(seq $((seconds * 10))); do
        tail -c +$((mark + 1)) "$speech" | grep -qF -- "$text" && return 0
        sleep 0.1
    done
    fail "did not hear \"$text\""
}
key() { xdotool key --clearmodifiers "$@"; }
typed() { xdotool type --delay 40 -- "$1"; }
# Presses Tab (or KEY) until Orca names TEXT (at most 40 times).
tab_to() {
    local text with=${2:-Tab}
    text=$(spoken "$1")
    for _ in $(seq 40); do
        step
        key "$with"
        for _ in $(seq 20); do
            tail -c +$((mark + 1)) "$speech" | grep -qF -- "$text" && return 0
            sleep 0.1
        done
    done
    fail "Tab never reached \"$text\""
}

openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
orca --replace -u "$work/orca" --debug-file="$work/orca-debug.txt" >"$work/orca.log" 2>&1 &
pids+=($!)
hear "Screen reader on" 30
"$app" >"$work/corvane.log" 2>&1 &
pids+=($!)
hear "雇主名称" 30

# Step 1, tried empty: the step says what stops it.
tab_to "下一步：填写金额"
step
key space
hear "还有 5 项需要填写：请填写雇主名称。"

typed "Acme Bakery"
tab_to "员工姓名"
typed "Li Wei"
for date in 周期开始 周期结束 付款日期; do
    tab_to "选择日期$date"
    step
    key space
    hear "$date * $(date +%Y年%-m月%-d日)"
done
tab_to "支付方式：银行转账"

# Step 2: where the user is, and the net payment once typing pauses.
tab_to "下一步：填写金额"
step
key space
hear "把本期收入与扣款填清楚"
tab_to "工时 text"
typed "80"
tab_to "时薪"
step
typed "25"
hear "本期净支付 \$2,000.00 CAD"
tab_to "Salary or wages for regular hours worked selected" shift+Tab

# Step 3: the net payment, then a password that is never heard.
tab_to "下一步：核对工资单"
step
key space
hear "最后核对，再交付给员工"
tab_to "最终净支付 \$2,000.00 CAD"
password=QZJXVK
tab_to "保护 PDF：密码"
typed "$password"
tab_to "保护 PDF：确认密码"
typed "$password"
# Qt holds typed keys back until the screen reader has seen them, but not a shortcut:
# Ctrl+S now could save before the last characters are in. Tab waits its turn.
tab_to "显示密码"

# The save, and what is said after it.
step
key ctrl+s
hear "导出 PDF dialog"
key ctrl+a
typed "$work/statement.pdf"
step
key Return
hear "已保存到 $work/statement.pdf"
pdfinfo -upw "$password" "$work/statement.pdf" | grep -q '^Encrypted: *yes' ||
    fail "the saved PDF is not protected"

[[ -n ${CORVANE_SR_EXPLORE:-} ]] && sleep 100000
for ((i = 0; i < ${#password}; i++)); do
    if grep -qF -- "${password:i:1}" "$speech"; then
        mark=0
        fail "a character of the password, \"${password:i:1}\", was heard"
    fi
done
echo "PASS: a statement made by keyboard alone was heard from empty to saved"
