# fish completion for tavrix-cli. Every option of the usage text is offered
# under its command and nothing else is; tests/package/completion_test.sh
# holds this file, the bash and the zsh completion to that.

set -l commands scan set batch
complete -c tavrix-cli -f

complete -c tavrix-cli -n "not __fish_seen_subcommand_from $commands" -a scan -d 'List the devices on the local networks'
complete -c tavrix-cli -n "not __fish_seen_subcommand_from $commands" -a set -d 'Change one device'
complete -c tavrix-cli -n "not __fish_seen_subcommand_from $commands" -a batch -d 'Change many devices'
complete -c tavrix-cli -n "not __fish_seen_subcommand_from $commands" -l help -d 'Show the usage text'
complete -c tavrix-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'

complete -c tavrix-cli -n '__fish_seen_subcommand_from scan' -l json -d 'Print the devices as JSON'
complete -c tavrix-cli -n '__fish_seen_subcommand_from scan' -l csv -d 'Print the devices as CSV'

complete -c tavrix-cli -n '__fish_seen_subcommand_from set' -l mac -x -d 'The device to change'
complete -c tavrix-cli -n '__fish_seen_subcommand_from set' -l static -x -d 'IP MASK GATEWAY DNS'
complete -c tavrix-cli -n '__fish_seen_subcommand_from set' -l dhcp -d 'Addresses from DHCP'
complete -c tavrix-cli -n '__fish_seen_subcommand_from set' -l wait -d 'Wait for the new address (seconds)'
complete -c tavrix-cli -n '__fish_seen_subcommand_from set' -l json -d 'Print the outcome as JSON'

complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -a '(__fish_complete_suffix .txt)'
complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -l range -x -d 'START END'
complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -l mask -x -d 'Subnet mask'
complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -l gateway -x -d 'Gateway'
complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -l dns -x -d 'DNS server'
complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -l static -d 'Static addresses from the range'
complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -l dhcp -d 'Addresses from DHCP'
complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -l mac -x -d 'A device the range goes to'
complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -l json -d 'Print the outcome as JSON'
complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -l timeout -x -d 'Seconds to wait for the changes'
complete -c tavrix-cli -n '__fish_seen_subcommand_from batch' -l dry-run -d 'Check only, send nothing'

complete -c tavrix-cli -n "__fish_seen_subcommand_from $commands" -l interface -x -a '(__fish_print_interfaces)' -d 'Search and send through this adapter only'
complete -c tavrix-cli -n '__fish_seen_subcommand_from set batch' -l user -x -d 'Administrator ID'
complete -c tavrix-cli -n '__fish_seen_subcommand_from set batch' -l password -x -d 'Administrator password'
complete -c tavrix-cli -n '__fish_seen_subcommand_from set batch' -l password-stdin -d 'Read the password from standard input'
