#!/usr/bin/env bash
# check-links.sh: every relative link and image of every Markdown file in the
# repository leads somewhere: a file or folder that git tracks, and where the
# link names a heading (#part), a heading of that page as GitHub names it.
# Addresses with a scheme (https:, mailto:) are not followed. Links inside code
# (fenced blocks and `spans`) are no links. Prints each broken one as
# FILE:LINE: TARGET (why) and fails; fails too where no Markdown file is found.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
mapfile -t pages < <(git ls-files -- '*.md')
[ ${#pages[@]} -gt 0 ] || { echo "FAIL: link check: no Markdown files in $ROOT" >&2; exit 1; }

git ls-files | perl -CSD -Mutf8 -e '
  use strict;
  use warnings;
  my %tracked;
  my %folders;
  while (my $file = <STDIN>) {
    chomp $file;
    $tracked{$file} = 1;
    my $folder = $file;
    while ($folder =~ s{/[^/]*$}{}) { $folders{$folder} = 1; }
  }
  $folders{"."} = 1;

  # The anchors GitHub gives a page'"'"'s headings: lower case, punctuation dropped,
  # spaces as hyphens, a repeated heading numbered.
  my %anchors;
  sub Anchors {
    my ($page) = @_;
    return $anchors{$page} if $anchors{$page};
    my %found;
    my %seen;
    open(my $in, "<:encoding(UTF-8)", $page) or return $anchors{$page} = {};
    my $fence = "";
    while (my $line = <$in>) {
      if ($line =~ /^\s*(```|~~~)/) { $fence = $fence ? "" : $1; next; }
      next if $fence;
      next unless $line =~ /^\s{0,3}#{1,6}\s+(.*?)\s*#*\s*$/;
      my $text = $1;
      $text =~ s/!?\[([^\]]*)\]\([^)]*\)/$1/g;
      $text = lc $text;
      $text =~ s/[^\w\- ]//g;
      $text =~ s/ /-/g;
      my $anchor = $seen{$text}++ ? "$text-" . ($seen{$text} - 1) : $text;
      $found{$anchor} = 1;
    }
    return $anchors{$page} = \%found;
  }

  sub Normalised {
    my @parts;
    for my $part (split m{/}, $_[0]) {
      next if $part eq "" || $part eq ".";
      if ($part eq "..") { return undef unless @parts; pop @parts; next; }
      push @parts, $part;
    }
    return @parts ? join("/", @parts) : ".";
  }

  my $broken = 0;
  my $checked = 0;
  for my $page (@ARGV) {
    open(my $in, "<:encoding(UTF-8)", $page) or die "cannot read $page\n";
    (my $folder = $page) =~ s{/?[^/]*$}{};
    my $fence = "";
    my $number = 0;
    while (my $line = <$in>) {
      ++$number;
      if ($line =~ /^\s*(```|~~~)/) { $fence = $fence ? "" : $1; next; }
      next if $fence;
      $line =~ s/`[^`]*`//g;
      my @targets;
      push @targets, $1 while $line =~ /\]\(\s*<?([^)\s>]*)>?(?:\s+"[^"]*")?\s*\)/g;
      push @targets, $1 if $line =~ /^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s|$)/;
      push @targets, $1 while $line =~ /<(?:img|a)\s[^>]*?(?:src|href)\s*=\s*"([^"]*)"/gi;
      for my $target (@targets) {
        next if $target =~ m{^[a-z][a-z0-9+.-]*:}i || $target =~ m{^//};
        ++$checked;
        my ($path, $anchor) = $target =~ /^([^#]*)(?:#(.*))?$/;
        my $why = "";
        my $resolved = $path eq "" ? $page
                     : Normalised($path =~ m{^/} ? $path : ($folder eq "" ? $path : "$folder/$path"));
        if ($target eq "") {
          $why = "an empty link";
        } elsif (!defined $resolved) {
          $why = "leads out of the repository";
        } elsif (!$tracked{$resolved} && !$folders{$resolved}) {
          $why = -e $resolved ? "not tracked by git" : "no such file";
        } elsif (defined $anchor && $anchor ne "") {
          if ($resolved !~ /\.md$/i) {
            $why = "a heading in a page that is not Markdown";
          } elsif (!Anchors($resolved)->{$anchor}) {
            $why = "no heading #$anchor in $resolved";
          }
        }
        next if $why eq "";
        print STDERR "$page:$number: $target ($why)\n";
        ++$broken;
      }
    }
  }
  if ($broken) {
    print STDERR "FAIL: $broken broken links in the Markdown files\n";
    exit 1;
  }
  printf "links: %d relative links and images in %d Markdown files lead somewhere\n", $checked, scalar @ARGV;
' "${pages[@]}"
