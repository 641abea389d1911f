# Sourced by the scripts that drive the simulator through the program (scripts/demo.sh,
# scripts/usage-shots.sh): the layout centres of the default look's buttons (400 x 256
# layout) and of the statistics area, and a helper that types a number on the keypad.
# A key named on two screens (CONFIG and RECAP, DRIVEN and FUELPER100DIST ...) shares
# its rectangle; the screen shown decides which one a touch hits.
declare -A at=(
    [1]="43 80" [2]="121 80" [3]="198 80" [4]="43 130" [5]="121 130" [6]="198 130"
    [7]="43 177" [8]="121 177" [9]="198 177" [C]="43 225" [0]="121 225" [.]="198 225"
    [DRIVEN]="276 30" [EXIT]="353 30" [REFILLED]="276 80" [CAR1]="353 80"
    [PAID]="276 130" [CAR2]="353 130" [SAVE]="276 177" [BIKE]="353 177"
    [STATS]="276 225" [CONFIG]="353 225"
    [FUELPER100DIST]="276 30" [BACK]="353 30" [DISTPERFUEL]="276 80" [CAR1FUELFULL]="353 80"
    [TOTALDIST]="276 130" [CAR2FUELFULL]="353 130" [TRIPDIST]="276 177"
    [BIKEFUELFULL]="353 177" [WHEELCHANGE]="276 225" [RECAP]="353 225"
    [AREA]="200 126"
)

# Prints one script line per key of the number given (digits and the decimal point).
type_keys() {
    local keys="$1" i
    for ((i = 0; i < ${#keys}; i++)); do echo "ltap ${at[${keys:i:1}]}"; done
}

# Prints the script line that touches and releases the named button.
touch_key() {
    echo "ltap ${at[$1]}"
}
