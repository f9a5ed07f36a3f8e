#!/bin/sh
# Makes the test certificates in folder $1: a test authority (ca.pem) and, signed by it, a
# good certificate for localhost and 127.0.0.1, an expired one and one for another host; a
# self-signed one; and one signed by an authority nobody trusts. Each NAME.pem has NAME.key.
set -eu
dir=$1
mkdir -p "$dir"
cd "$dir"
quiet() { "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }; }

authority() { # name
    quiet openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$1.key" -out "$1.pem" \
        -subj "/CN=Velomira test $1" -days 2 -addext basicConstraints=critical,CA:TRUE \
        -addext keyUsage=critical,keyCertSign,cRLSign
}

leaf() { # name signer days names
    printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$4" \
        >"$1.ext"
    quiet openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$1"
    quiet openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" -CAcreateserial \
        -days "$3" -extfile "$1.ext" -out "$1.pem"
}

authority ca
authority otherca
leaf good ca 2 "DNS:localhost,DNS:shop.test,IP:127.0.0.1"
leaf expired ca -1 "DNS:localhost,IP:127.0.0.1"
leaf wronghost ca 2 "DNS:other.example"
leaf unknownca otherca 2 "DNS:localhost,IP:127.0.0.1"
quiet openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout selfsigned.key -out selfsigned.pem \
    -subj /CN=localhost -days 2 -addext subjectAltName=DNS:localhost,IP:127.0.0.1
