# Little-endian bytes for the seed scripts (sourced): byte, u16 and u32 print one
# value each, two's complement for negative ones.
byte() { printf "\\$(printf %o $(($1 & 255)))"; }
u16() { byte $1; byte $(($1 >> 8)); }
u32() { u16 $(($1 & 65535)); u16 $((($1 >> 16) & 65535)); }
