#!/usr/bin/env zsh
# Prints what zsh lists for a command line and a tab, as a user at a
# terminal would see it: zsh completes only inside its line editor, so the
# line is typed into an interactive zsh on a pseudo-terminal.
#   zsh_complete.zsh FPATH-DIR WORD...
# After the tab the line is cleared and a marker echoed; its output, never
# its echo, ends the reading.
dir=$1
shift
zmodload zsh/zpty
zpty shell TERM=dumb zsh -f -i
zpty -w shell "PROMPT='%BP%b> '; fpath=($dir \$fpath); autoload -U compinit; compinit -u -D"
zpty -r shell seen '*P> *'
zpty -w -n shell "$*"$'\t'
zpty -w shell $'\C-u''echo END-$((1+1))'
zpty -r shell seen '*END-2*'
zpty -d shell
print -r -- "${seen//$'\r'/}"
