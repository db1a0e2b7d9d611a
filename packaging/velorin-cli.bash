# bash completion for velorin-cli
_velorin_cli() {
  local cur prev words cword
  _init_completion || return

  local commands="retime sync info complete lines import export autosync spell"
  if [[ $cword -eq 1 ]]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi

  case $prev in
    -o | --output | --sync | --ref)
      _filedir
      return
      ;;
    --film)
      _filedir '@(mkv|mp4|avi|mov|webm|mpg|mpeg|ts|m2ts|wmv|flv|ogv|mp3|wav|flac|ogg|m4a)'
      return
      ;;
    --fps)
      COMPREPLY=($(compgen -W "23,976 24 25 29,97 30" -- "$cur"))
      return
      ;;
    --dict)
      local dicts=$(ls "${DICPATH:-/usr/share/hunspell}" 2>/dev/null | sed -n 's/\.dic$//p')
      COMPREPLY=($(compgen -W "$dicts" -- "$cur"))
      return
      ;;
    --offset | --scale | --frames | --rows | --point | --table | --time | --step | --count)
      return
      ;;
  esac

  local options="-o --output --help"
  case ${words[1]} in
    retime) options+=" --offset --scale --frames --sync --rows" ;;
    sync) options+=" --ref --complete --point" ;;
    info) options="--help" ;;
    complete) options+=" --table --time --step --no-step --only-empty --remove --rows" ;;
    lines) options+=" --count --max --rows" ;;
    import | export) options+=" --fps" ;;
    autosync) options+=" --film --fps --points" ;;
    spell) options="--dict --help" ;;
  esac

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  else
    _filedir '@(sub|txt|srt)'
  fi
} &&
  complete -F _velorin_cli velorin-cli
