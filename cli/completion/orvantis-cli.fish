# fish completion for orvantis-cli

set -l commands show export import add-version check size notes eligible digest feed

# The version texts of the package named on the line.
function __orvantis_cli_versions
    for word in (commandline -opc)[3..-1]
        if not string match -q -- '-*' $word; and test -f $word
            orvantis-cli versions $word 2>/dev/null
            return
        end
    end
end

complete -c orvantis-cli -f
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -a show -d 'Print the common information and every record'
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -a export -d 'Write the whole package as JSON'
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -a import -d 'Write a package file from JSON'
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -a add-version -d 'Add a version'
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -a check -d 'Report the faults that break updaters'
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -a size -d "Print a download's size"
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -a notes -d 'Print release notes'
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -a eligible -d 'Say whether an upgrade is free'
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -a digest -d "Record each download's size, hashes and signature"
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -a feed -d 'Write an appcast, AppStream releases or a PAD file'
complete -c orvantis-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version'

complete -c orvantis-cli -n "__fish_seen_subcommand_from $commands" -l help -d 'Show the options'
complete -c orvantis-cli -n "__fish_seen_subcommand_from $commands" -l json -d 'Print the result as JSON'
complete -c orvantis-cli -l verbose -d 'Add the full text to errors'
complete -c orvantis-cli -n "__fish_seen_subcommand_from show export add-version check notes eligible digest feed" -l encoding -x -a 'UTF-8 windows-1252 ISO-8859-1 ISO-8859-15'
complete -c orvantis-cli -n "__fish_seen_subcommand_from show export check notes eligible add-version digest feed" -k -a '(__fish_complete_suffix .dat)'
complete -c orvantis-cli -n "__fish_seen_subcommand_from import" -k -a '(__fish_complete_suffix .json)'
complete -c orvantis-cli -n "__fish_seen_subcommand_from export import feed" -s o -l output -r -F
complete -c orvantis-cli -n "__fish_seen_subcommand_from import add-version digest" -l wait -x -d 'Seconds to wait for the lock'
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l version -x -d 'Version text'
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l location -x -d 'Download URL'
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l size -x -d 'Size in bytes'
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l size-from-url -d 'Ask the server'
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l date -x -a today
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l free-upgrade-days -x
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l free-from -x -a '(__orvantis_cli_versions)'
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l screenshot -x
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l thumbnail -x
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l associate-features
complete -c orvantis-cli -n "__fish_seen_subcommand_from add-version" -l dry-run -d 'Write nothing'
complete -c orvantis-cli -n "__fish_seen_subcommand_from check" -l online -d 'Ask every link'
complete -c orvantis-cli -n "__fish_seen_subcommand_from notes" -l version -x -a '(__orvantis_cli_versions)'
complete -c orvantis-cli -n "__fish_seen_subcommand_from notes" -l format -x -a 'text markdown'
complete -c orvantis-cli -n "__fish_seen_subcommand_from eligible" -l owned -x -a '(__orvantis_cli_versions)'
complete -c orvantis-cli -n "__fish_seen_subcommand_from eligible" -l for -x -a '(__orvantis_cli_versions)'
complete -c orvantis-cli -n "__fish_seen_subcommand_from eligible" -l purchased -x -a today
complete -c orvantis-cli -n "__fish_seen_subcommand_from digest" -l sign-key -r -a '(__fish_complete_suffix .pem)' -d 'Sign with this Ed25519 key'
complete -c orvantis-cli -n "__fish_seen_subcommand_from digest" -l verify -d 'Download again and report what changed'
complete -c orvantis-cli -n "__fish_seen_subcommand_from feed" -l format -x -a 'appcast appstream pad'
complete -c orvantis-cli -n "__fish_seen_subcommand_from feed" -l os -x -a 'windows macos linux'
