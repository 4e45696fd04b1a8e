# Bash completion for vantor-cli and vantor, installed under both names.
# The commands, options and option values are read from the --help of the very program being
# completed, so that they follow it from version to version; each help is read once a session.

# The parsed help, by "PROGRAM COMMAND|what" (COMMAND empty for the program's own help).
declare -gA _vantor_help
# What vantor-cli opens as a database, in lower case.
_vantor_database_types="mdb accdb mde accde json"

# Reads "PROGRAM [COMMAND] --help" into _vantor_help unless it was read before.
_vantor_read_help() {
    local prog=$1 cmd=$2 key="$1 $2" text line left desc value name list
    local -a words names
    [[ -n ${_vantor_help[$key]} ]] && return 0
    if [[ -n $cmd ]]; then
        text=$("$prog" "$cmd" --help 2>/dev/null) || return 1
    else
        text=$("$prog" --help 2>/dev/null) || return 1
    fi
    [[ -n $text ]] || return 1

    local re_option='^  (-([^ ]| [^ ])*)  +(.*)$' re_command='^  ([a-z][a-z0-9-]*)'
    local re_choices=': ([a-z][a-z0-9_-]*((, | or )[a-z][a-z0-9_-]*)+)( \(|\.|$)'
    local in_commands= commands= options= places=
    while IFS= read -r line; do
        if [[ $line == 'Usage: '* ]]; then
            # What the arguments before the first option stand for: PRIMARY, DATABASE, SCRIPT...
            read -ra words <<<"${line#Usage: }"
            for value in "${words[@]:1}"; do
                [[ $value == "$cmd" ]] && continue
                value=${value#\[} value=${value%\]}
                [[ $value =~ ^[A-Z][A-Z0-9_]*$ ]] || break
                places+=" $value"
            done
        elif [[ $line == 'Commands:' ]]; then
            in_commands=1
        elif [[ -z $line ]]; then
            in_commands=
        elif [[ -n $in_commands && $line =~ $re_command ]]; then
            commands+=" ${BASH_REMATCH[1]}"
        elif [[ $line =~ $re_option ]]; then
            left=${BASH_REMATCH[1]} desc=${BASH_REMATCH[3]} value=- list=
            read -ra words <<<"${left//,/ }"
            names=()
            for name in "${words[@]}"; do
                if [[ $name == -* ]]; then names+=("$name"); else value=$name; fi
            done
            # "Output format: text, json, html (default text)." names the values it takes.
            [[ $desc =~ $re_choices ]] && list=${BASH_REMATCH[1]}
            list=${list//,/} list=${list// or / }
            for name in "${names[@]}"; do
                options+=" $name"
                _vantor_help[$key|value|$name]=$value
                _vantor_help[$key|choices|$name]=$list
                [[ $desc == *comma-separated* ]] && _vantor_help[$key|commas|$name]=1
            done
        fi
    done <<<"$text"
    _vantor_help[$key|commands]=$commands
    _vantor_help[$key|options]=$options
    _vantor_help[$key|places]=$places
    _vantor_help[$key]=1
}

# Sets the caller's `words` to the words up to the cursor, with what COMP_WORDBREAKS split off
# (= and :) glued back, `cur` to the last of them unquoted, and `keep` to how much of it
# readline replaces: everything after its last break character.
_vantor_words() {
    local line=${COMP_LINE:0:COMP_POINT} i piece glued
    words=()
    for ((i = 0; i <= COMP_CWORD; i++)); do
        piece=${COMP_WORDS[i]}
        glued=$((i > 0))
        if [[ $line =~ ^[[:space:]]+ ]]; then
            line=${line:${#BASH_REMATCH[0]}}
            glued=0
        fi
        ((${#piece} > ${#line})) && piece=$line
        line=${line:${#piece}}
        if ((glued)); then
            words[-1]+=$piece
        else
            words+=("$piece")
        fi
    done
    cur=${words[-1]}
    local rest=$cur
    if [[ $cur == [\"\']* ]]; then
        # Within quotes readline breaks at nothing.
        cur=${cur:1}
        rest=$cur
    else
        cur=${cur//\\/}
        rest=$cur
        [[ $COMP_WORDBREAKS == *=* ]] && rest=${rest##*=}
        [[ $COMP_WORDBREAKS == *:* ]] && rest=${rest##*:}
    fi
    keep=${#rest}
}

# Offers each candidate, which starts with `cur`, as readline wants it: without what lies before
# readline's own word.
_vantor_offer() {
    local candidate skip=$((${#cur} - keep))
    for candidate; do
        COMPREPLY+=("${candidate:skip}")
    done
}

# Offers the words of $2 that complete $3, each after the prefix $1.
_vantor_offer_words() {
    local -a found
    mapfile -t found < <(compgen -W "$2" -- "$3")
    _vantor_offer "${found[@]/#/$1}"
}

# Offers folders and the files that complete $2 after the prefix $1; with extensions given in
# $3 (any letter case), only files that end in one of them, and with / only folders.
_vantor_offer_files() {
    local prefix=$1 typed=$2 ext file
    local -a found
    compopt -o filenames 2>/dev/null
    while IFS= read -r file; do
        if [[ -z $3 || -d $file ]]; then
            found+=("$prefix$file")
            continue
        fi
        for ext in $3; do
            if [[ ${file,,} == *."$ext" ]]; then
                found+=("$prefix$file")
                break
            fi
        done
    done < <(compgen -f -- "$typed")
    _vantor_offer "${found[@]}"
}

# Offers the values of option $3 of "PROGRAM COMMAND" $1 that complete $4, after the prefix $2.
_vantor_offer_value() {
    local key=$1 prefix=$2 option=$3 typed=$4
    local value=${_vantor_help[$key|value|$option]} choices=${_vantor_help[$key|choices|$option]}
    if [[ -n $choices ]]; then
        if [[ -n ${_vantor_help[$key|commas|$option]} ]]; then
            # Only the word after the last comma is completed, and not to one given already.
            local head= word
            [[ $typed == *,* ]] && head=${typed%,*},
            local -a left=()
            for word in $choices; do
                [[ ,$head == *,"$word",* ]] || left+=("$word")
            done
            compopt -o nospace 2>/dev/null
            _vantor_offer_words "$prefix$head" "${left[*]}" "${typed##*,}"
        else
            _vantor_offer_words "$prefix" "$choices" "$typed"
        fi
    elif [[ $value == *DATABASE* ]]; then
        _vantor_offer_files "$prefix" "$typed" "$_vantor_database_types"
    elif [[ $value == *FILE* ]]; then
        _vantor_offer_files "$prefix" "$typed"
    fi
}

_vantor_cli() {
    local prog=${COMP_WORDS[0]} cur keep
    local -a words
    [[ $prog == '~/'* ]] && prog=$HOME/${prog:2}
    COMPREPLY=()
    _vantor_words
    _vantor_read_help "$prog" "" || return 0
    local last=$((${#words[@]} - 1)) at=1
    while ((at < last)) && [[ ${words[at]} == -* ]]; do
        ((at++))
    done
    local cmd=${words[at]}
    if ((at == last)); then
        if [[ $cur == -* ]]; then
            _vantor_offer_words "" "--help --version" "$cur"
        else
            _vantor_offer_words "" "${_vantor_help[$prog |commands]}" "$cur"
        fi
        return 0
    fi
    if [[ $cmd == help ]]; then
        ((at + 1 == last)) && _vantor_offer_words "" "${_vantor_help[$prog |commands]}" "$cur"
        return 0
    fi
    _vantor_read_help "$prog" "$cmd" || return 0
    local key="$prog $cmd" prev=${words[last - 1]}

    if [[ $cur == --*=* ]]; then
        _vantor_offer_value "$key" "${cur%%=*}=" "${cur%%=*}" "${cur#*=}"
        return 0
    fi
    if [[ $prev == -* && -n ${_vantor_help[$key|value|$prev]} &&
        ${_vantor_help[$key|value|$prev]} != - ]]; then
        _vantor_offer_value "$key" "" "$prev" "$cur"
        return 0
    fi
    if [[ $cur == -* ]]; then
        _vantor_offer_words "" "${_vantor_help[$key|options]}" "$cur"
        return 0
    fi

    # Which argument of the usage line the word is, skipping options and their values.
    local -a places
    read -ra places <<<"${_vantor_help[$key|places]}"
    local i place=0 word
    for ((i = at + 1; i < last; i++)); do
        word=${words[i]}
        if [[ $word == -* ]]; then
            [[ $word != *=* && ${_vantor_help[$key|value|$word]:--} != - ]] && ((i++))
        else
            ((place++))
        fi
    done
    case ${places[place]} in
    '') _vantor_offer_words "" "${_vantor_help[$key|options]}" "$cur" ;;
    PRIMARY | SECONDARY | *DATABASE*) _vantor_offer_files "" "$cur" "$_vantor_database_types" ;;
    *FOLDER* | *DIR* | REPO) _vantor_offer_files "" "$cur" / ;;
    *) _vantor_offer_files "" "$cur" ;;
    esac
}

_vantor() {
    local prog=${COMP_WORDS[0]} cur keep
    local -a words
    [[ $prog == '~/'* ]] && prog=$HOME/${prog:2}
    COMPREPLY=()
    _vantor_words
    if [[ $cur == -* ]]; then
        _vantor_read_help "$prog" "" && _vantor_offer_words "" "${_vantor_help[$prog |options]}" "$cur"
    else
        _vantor_offer_files "" "$cur" "mdb accdb json"
    fi
}

complete -F _vantor_cli vantor-cli
complete -F _vantor vantor
