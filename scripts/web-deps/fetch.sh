# Sourced by scripts/web-deps.sh (and its test): fetching one of Debian's source packages with
# apt's state of the script's own. Needs say, fail, apt_update, APT_OPTIONS and SRC from the caller.

# fetch NAME "SOURCE VERSION": unpacks Debian's source package, with Debian's patches applied, in
# $SRC/NAME and sets FETCHED to the version unpacked. The archive keeps only the newest security
# update of a package, so when the installed revision has been superseded, the newest revision of
# the same upstream release is taken instead (it differs by security fixes alone) and said so.
fetch() {
    name=$1
    package=${2% *}
    version=${2#* }
    FETCHED=$version
    if [ -f "$SRC/$name.version" ] && [ -d "$SRC/$name" ]; then
        read -r wanted FETCHED <"$SRC/$name.version"
        [ "$wanted" = "$version" ] && return 0
    fi
    apt_update
    rm -rf "$SRC/$name" "$SRC/$name.version" "$SRC/$name.fetch"
    mkdir -p "$SRC/$name.fetch"
    # shellcheck disable=SC2086
    candidates=$(apt-cache $APT_OPTIONS showsrc "$package" 2>/dev/null |
        sed -n 's/^Version: //p' | sort -u)
    # The installed version when the archive has it, else the same upstream release's revisions,
    # newest first. An index may list a revision whose files have not reached the mirror yet
    # (they answer 404): the next one is taken then. apt's own words on a revision passed over are
    # kept aside and shown only when no revision at all can be had, so that a build that succeeds
    # prints nothing that reads as an error.
    tried=" "
    passed_over=$SRC/$name.passed-over
    : >"$passed_over"
    while :; do
        pick=""
        for c in $candidates; do
            case $tried in *" $c "*) continue ;; esac
            [ "$c" = "$version" ] && { pick=$c; break; }
            case $c in "${version%-*}"-*) ;; *) continue ;; esac
            if [ -z "$pick" ] || dpkg --compare-versions "$c" gt "$pick"; then pick=$c; fi
        done
        if [ -z "$pick" ]; then
            cat "$passed_over" >&2
            fail "no source of $package ${version%-*} could be fetched (installed: $version)"
        fi
        [ "$pick" = "$version" ] || [ "$tried" != " " ] || say "NOTE: $package $version is no" \
            "longer in Debian's archive; taking the newest revision of the same upstream release" \
            "there, which differs by later security fixes alone"
        say "fetching $package $pick"
        # shellcheck disable=SC2086
        (cd "$SRC/$name.fetch" && apt-get $APT_OPTIONS -qq source "$package=$pick" >log 2>&1) &&
            break
        { echo "web-deps: apt-get source $package=$pick:" && sed 's/^/    /' "$SRC/$name.fetch/log"; } \
            >>"$passed_over"
        say "$package $pick is not on the mirror yet; trying another revision of the same release"
        tried="$tried$pick "
        rm -rf "$SRC/$name.fetch" && mkdir -p "$SRC/$name.fetch"
    done
    rm -f "$passed_over"
    unpacked=$(find "$SRC/$name.fetch" -mindepth 1 -maxdepth 1 -type d)
    [ -d "$unpacked/debian" ] || fail "apt-get source $package=$pick unpacked nothing"
    mv "$unpacked" "$SRC/$name"
    rm -rf "$SRC/$name.fetch"
    echo "$version $pick" >"$SRC/$name.version"
    FETCHED=$pick
}
