# bash completion for quillet-cli
_quillet_cli()
{
    local cur prev command i
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}

    command=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            generate|check|format) command=${COMP_WORDS[i]}; break ;;
        esac
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W 'generate check format --help --version' -- "$cur"))
        return
    fi

    if [[ $prev == --output-dir ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"))
        return
    fi

    if [[ $cur == -* ]]; then
        case $command in
            generate) COMPREPLY=($(compgen -W '--force --if-changed --strict --output-dir --allow-outside --help' -- "$cur")) ;;
            check) COMPREPLY=($(compgen -W '--format=text --format=json --strict --help' -- "$cur")) ;;
            *) COMPREPLY=($(compgen -W '--help' -- "$cur")) ;;
        esac
        return
    fi

    # Project files, and folders on the way to them.
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -X '!*.[rR][pP][rR]' -- "$cur") $(compgen -d -- "$cur"))
}
complete -F _quillet_cli quillet-cli
