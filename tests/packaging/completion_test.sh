#!/usr/bin/env bash
# bash completion_test.sh COMPLETION_FILE BIN_DIR 1|0 (whether the desktop was built)
# Completes command lines with the completion file against the built programs, in a scratch
# folder of sample files.
completion=$(realpath "$1") || exit 1
bin=$(cd "$2" && pwd) || exit 1
desktop=$3
cli=$bin/vantor-cli
source "$completion" || exit 1

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir sub
touch a.mdb B.ACCDB c.Json d.mde e.accde notes.txt sub/inner.accdb x:y.mdb
databases=(B.ACCDB a.mdb c.Json d.mde e.accde sub x:y.mdb)
failures=0

# Completes LINE, the cursor at its end, as bash would: COMP_WORDS split at blanks and at the
# break characters = and : that are in $breaks.
complete_line() {
    local line=$1 rest=$1 piece split=
    [[ $breaks == *=* ]] && split+="="
    [[ $breaks == *:* ]] && split+=":"
    COMP_WORDBREAKS=${breaks}
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMP_WORDS=()
    while [[ -n $rest ]]; do
        if [[ $rest =~ ^[[:space:]]+ ]]; then
            rest=${rest:${#BASH_REMATCH[0]}}
            [[ -z $rest ]] && COMP_WORDS+=("")
            continue
        fi
        if [[ $rest =~ ^\'[^\']*\'? ]] || [[ -n $split && $rest =~ ^[$split]+ ]] ||
            [[ $rest =~ ^[^[:space:]$split]+ ]]; then
            piece=${BASH_REMATCH[0]}
        fi
        COMP_WORDS+=("$piece")
        rest=${rest:${#piece}}
    done
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    local function=_vantor_cli
    [[ ${COMP_WORDS[0]##*/} == vantor ]] && function=_vantor
    $function "${COMP_WORDS[0]}" "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
    mapfile -t COMPREPLY < <(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort)
}

failed() {
    echo "FAIL: '$1' $2; offered: ${COMPREPLY[*]}"
    ((failures++))
}

# The completions of LINE are exactly the words after it.
offers() {
    local line=$1
    shift
    complete_line "$line"
    local expected
    expected=$(printf '%s\n' "$@" | LC_ALL=C sort | tr '\n' ' ')
    [[ "$(printf '%s ' "${COMPREPLY[@]}")" == "$expected" ]] || failed "$line" "should offer $*"
}

# The completions of LINE include each of the words after it.
offers_all() {
    local line=$1 word
    shift
    complete_line "$line"
    for word; do
        [[ " ${COMPREPLY[*]} " == *" $word "* ]] || failed "$line" "should offer $word"
    done
}

# The completions of LINE include none of the words after it.
offers_none() {
    local line=$1 word
    shift
    complete_line "$line"
    for word; do
        [[ " ${COMPREPLY[*]} " != *" $word "* ]] || failed "$line" "should not offer $word"
    done
}

breaks=$' \t\n"\'><=;|&(:'

# Commands, and only the options of the command at hand.
offers_all "$cli " compare script snapshot run verify
offers_none "$cli " --help notes.txt
offers "$cli sn" snapshot
offers "$cli help ver" verify
offers "$cli -" --help --version
offers "$cli compare --ign" --ignore-case --ignore-whitespace
offers_all "$cli compare --" --help --format --output --kinds --primary-password-file
offers_none "$cli snapshot --" --kinds --target --format --primary-user
offers "$cli snapshot a.mdb -" --help -o --output --user --password-file
offers_all "$cli compare a.mdb b.mdb " --format --kinds
offers "$cli verify a.mdb b.mdb --on-" --on-copy
offers_none "$cli compare --on-" --on-copy

# Option values from the option's help line, with = split off as bash does and as it does not.
offers "$cli script a.mdb b.mdb --target " primary secondary
offers "$cli verify --target s" secondary
offers "$cli script --target=p" primary
offers "$cli compare --format " html json text
offers "$cli run x.sql --format " json text
offers_none "$cli compare --exclude " "${databases[@]}"
breaks=$' \t\n"\'><;|&('
offers "$cli script --target=p" --target=primary
offers "$cli compare --kinds=tables,vi" --kinds=tables,views
breaks=$' \t\n"\'><=;|&(:'

# A comma-separated list completes its last word and leaves out the words given already.
offers_all "$cli compare --kinds tables," tables,views tables,links
offers_none "$cli compare --kinds tables," tables,tables
offers "$cli verify --kinds=tables,vi" tables,views
offers "$cli compare --kinds views,tables,q" views,tables,queries

# Database arguments offer folders and database files, other files any file.
offers "$cli compare " "${databases[@]}"
offers "$cli compare a.mdb " "${databases[@]}"
offers "$cli compare --format text --ignore-case " "${databases[@]}"
offers "$cli compare sub/" sub/inner.accdb
offers "$cli compare x:" y.mdb
offers "$cli compare 'x:" x:y.mdb
offers_all "$cli run " notes.txt a.mdb sub
offers "$cli run notes.txt --on " "${databases[@]}"
offers "$cli snapshot a.mdb -o n" notes.txt
offers "$cli compare a.mdb b.mdb --output=n" notes.txt
offers "$cli compare a.mdb b.mdb --primary-password-file n" notes.txt

# The program is the one on the command line, and its help is read once a session.
ln -s "$cli" here-cli
offers "./here-cli sn" snapshot
offers "./here-cli compare --ignore-c" --ignore-case
rm here-cli
offers "./here-cli sn" snapshot
offers "./here-cli compare --ignore-c" --ignore-case

if [[ $desktop == 1 ]]; then
    offers "$bin/vantor -" -h --help -v --version
    offers "$bin/vantor " B.ACCDB a.mdb c.Json sub x:y.mdb
fi

if ((failures)); then
    echo "$failures completion checks failed"
    exit 1
fi
echo "completions as expected"
