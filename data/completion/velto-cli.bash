# bash completion for velto-cli
_velto_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local command=${COMP_WORDS[1]}

    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W 'rewrite signin signout status help --help --version' -- "$cur"))
        return
    fi

    case $command in
    rewrite)
        case $prev in
        --tone)
            # The built-in tones; the server may offer others (velto-cli status lists them).
            COMPREPLY=($(compgen -W 'grammar_fix concise professional casual persuasive creative' -- "$cur"))
            return
            ;;
        --language)
            COMPREPLY=($(compgen -W 'auto english greek french german spanish italian' -- "$cur"))
            return
            ;;
        esac
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--tone --language --stream --help' -- "$cur"))
        else
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
        fi
        ;;
    signin)
        COMPREPLY=($(compgen -W '--no-browser --help' -- "$cur"))
        ;;
    signout | status)
        COMPREPLY=($(compgen -W '--help' -- "$cur"))
        ;;
    esac
}
complete -F _velto_cli velto-cli
