# bash completion for orvantis-cli                         -*- shell-script -*-

# The version texts of the package named on the line, for --version,
# --owned, --for and --free-from.
_orvantis_cli_versions() {
    local i file
    for ((i = 2; i < cword; i++)); do
        [[ ${words[i]} != -* && ${words[i - 1]} != -* && -f ${words[i]} ]] && file=${words[i]}
    done
    [[ -n $file ]] || return
    local IFS=$'\n'
    COMPREPLY=($(compgen -W "$(orvantis-cli versions "$file" 2>/dev/null)" -- "$cur"))
}

_orvantis_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="show export import add-version check size notes eligible digest feed"
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version --verbose" -- "$cur"))
        return
    fi

    case $prev in
        -o | --output)
            _filedir
            return
            ;;
        --encoding)
            COMPREPLY=($(compgen -W "UTF-8 windows-1252 ISO-8859-1 ISO-8859-15" -- "$cur"))
            return
            ;;
        --format)
            if [[ ${words[1]} == feed ]]; then
                COMPREPLY=($(compgen -W "appcast appstream pad" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "text markdown" -- "$cur"))
            fi
            return
            ;;
        --os)
            COMPREPLY=($(compgen -W "windows macos linux" -- "$cur"))
            return
            ;;
        --sign-key)
            _filedir pem
            return
            ;;
        --date | --purchased)
            COMPREPLY=($(compgen -W "today" -- "$cur"))
            return
            ;;
        --owned | --for | --free-from)
            _orvantis_cli_versions
            return
            ;;
        --version)
            [[ ${words[1]} == notes ]] && _orvantis_cli_versions
            return
            ;;
        --location | --size | --free-upgrade-days | --screenshot | --thumbnail | --wait)
            return
            ;;
    esac

    local options="--help --json --verbose"
    case ${words[1]} in
        show) options+=" --encoding" ;;
        export) options+=" --output --encoding" ;;
        import) options+=" --output --encoding --wait" ;;
        add-version) options+=" --version --location --size --size-from-url --date --free-upgrade-days --free-from
                              --screenshot --thumbnail --associate-features --dry-run --wait --encoding" ;;
        check) options+=" --online --encoding" ;;
        notes) options+=" --version --format --encoding" ;;
        eligible) options+=" --owned --purchased --for --encoding" ;;
        digest) options+=" --sign-key --verify --wait --encoding" ;;
        feed) options+=" --format --output --os --encoding" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ ${words[1]} == import ]]; then
        _filedir json
    elif [[ ${words[1]} != size ]]; then
        _filedir dat
    fi
} && complete -F _orvantis_cli orvantis-cli
