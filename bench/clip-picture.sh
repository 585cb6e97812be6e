# The picture of the benchmark clips, for ffmpeg's lavfi input: a test pattern with the frame stamp
# along the bottom tenth, sixteen cells: white, bits 0 to 13 of the frame number (white = 1), black.
# Sourced by the run scripts. $1 = size, $2 = seconds
picture() {
    local width=${1%x*} band=$((${1#*x} / 10)) cells="floor(X*16/W)"
    local bit="mod(floor(N/pow(2,$cells-1)),2)"
    echo "testsrc2=s=$1:r=30:d=$2[p];color=c=black:s=${width}x$band:r=30:d=$2,format=yuv444p,geq=lum='if(eq($cells,0),235,if(eq($cells,15),16,if($bit,235,16)))':cb=128:cr=128[s];[p][s]overlay=0:H-$band,format=yuv420p"
}
